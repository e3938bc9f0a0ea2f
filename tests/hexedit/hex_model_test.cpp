#include "hexedit/hex_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hexedit/key_filters.h"
#include "hexedit/texts.h"

namespace {

using hexedit::HexModel;
using hexedit::Nav;
using hexedit::SearchMode;
using Status = hexedit::CommandResult::Status;

// Bytes whose value at position p (1-based) is p % 251: no two bytes
// closer than 251 are equal.
HexModel Loaded(std::int64_t size) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>((k + 1) % 251);
    HexModel m;
    m.Load(std::move(bytes), "F");
    return m;
}

HexModel LoadedText(const std::string& text) {
    HexModel m;
    m.Load(std::vector<std::uint8_t>(text.begin(), text.end()), "F");
    m.SetSearchMode(SearchMode::Chr);
    return m;
}

// The page as drawn agrees with the state: its bytes, and the edit box on
// the edit position alone.
void ExpectPageShowsTheState(const HexModel& m, const std::string& trace) {
    const hexedit::PageView page = m.Page();
    EXPECT_EQ(page.start, m.PageStart()) << trace;
    char lastRow[20];  // its 0-based offset in eight hex digits
    std::snprintf(lastRow, sizeof lastRow, "%08llX", static_cast<unsigned long long>(page.start - 1 + (page.rows() - 1) * 16));
    EXPECT_EQ(page.rowLabel(page.rows() - 1), lastRow) << trace;
    EXPECT_EQ(page.count, m.PageEnd() - m.PageStart() + 1) << trace;
    EXPECT_EQ((m.PageStart() - 1) % hexedit::kRowBytes, 0) << trace;
    for (int k = 0; k < page.count; ++k) {
        EXPECT_EQ(page.cells[k].value, (m.PageStart() + k) % 251) << trace << " cell " << k;
        EXPECT_EQ(page.cells[k].editing, m.PageStart() + k == m.EditPosition()) << trace << " cell " << k;
    }
}

struct NavCase {
    std::int64_t size;
    bool edit;
    const char* goTo;          // the offset gone to first
    std::vector<Nav> before;   // moves made then
    Nav nav;
    bool moves;
    std::int64_t pageStart, editPosition;  // after nav (editPosition 0 in view mode)
};

// Every key at the first byte, the last byte, the last full row and the page
// edges. 1100 bytes: pages at 1, 513 and 1025; the last full row 1073..1088.
TEST(HexNavigation, EveryKeyAtTheEdgesInBothModes) {
    constexpr bool E = true, V = false;
    const std::vector<Nav> four(4, Nav::LineDown);
    const NavCase cases[] = {
        {1100, E, "0", {}, Nav::Left, false, 1, 1},           {1100, E, "0", {}, Nav::LineUp, false, 1, 1},
        {1100, E, "0", {}, Nav::PageUp, false, 1, 1},         {1100, E, "0", {}, Nav::FirstPage, false, 1, 1},
        {1100, E, "0", {}, Nav::PageFirstByte, false, 1, 1},  {1100, E, "0", {}, Nav::Right, true, 1, 2},
        {1100, E, "0", {}, Nav::LineDown, true, 1, 17},       {1100, E, "0", {}, Nav::PageLastByte, true, 1, 512},
        {1100, E, "0", {}, Nav::PageDown, true, 513, 513},    {1100, E, "0", {}, Nav::LastPage, true, 1025, 1025},
        {1100, E, "1099", {}, Nav::Right, false, 1025, 1100}, {1100, E, "1099", {}, Nav::LineDown, false, 1025, 1100},
        {1100, E, "1099", {}, Nav::PageDown, false, 1025, 1100},
        {1100, E, "1099", {}, Nav::PageLastByte, false, 1025, 1100},
        {1100, E, "1099", {}, Nav::LastPage, false, 1025, 1100}, {1100, E, "1099", {}, Nav::Left, true, 1025, 1099},
        {1100, E, "1099", {}, Nav::LineUp, true, 1025, 1084},  {1100, E, "1099", {}, Nav::PageUp, true, 513, 588},
        {1100, E, "1099", {}, Nav::PageFirstByte, true, 1025, 1025},
        {1100, E, "1099", {}, Nav::FirstPage, true, 1, 1},
        {1100, E, "1087", {}, Nav::LineDown, false, 1025, 1088}, {1100, E, "1087", {}, Nav::Right, true, 1025, 1089},
        {1100, E, "1083", {}, Nav::LineDown, true, 1025, 1100},  {1100, E, "1084", {}, Nav::LineDown, false, 1025, 1085},
        {1100, E, "510", {}, Nav::Right, true, 1, 512},        {1100, E, "495", {}, Nav::LineDown, true, 1, 512},
        {1100, E, "511", {}, Nav::Right, true, 17, 513},       {1100, E, "511", {}, Nav::LineDown, true, 17, 528},
        {1100, E, "511", {}, Nav::PageDown, true, 513, 1024},  {1100, E, "512", {}, Nav::Left, true, 497, 512},
        {1100, E, "512", {}, Nav::LineUp, true, 497, 497},     {1100, E, "512", {}, Nav::PageUp, true, 1, 1},
        {1100, E, "1023", {}, Nav::PageDown, true, 1025, 1100},
        {1100, E, "0", {Nav::PageLastByte, Nav::Right}, Nav::Left, true, 17, 512},
        {1100, E, "0", {Nav::PageLastByte, Nav::LineDown}, Nav::LineUp, true, 17, 512},
        {1100, V, "0", {}, Nav::PageUp, false, 1, 0},          {1100, V, "0", {}, Nav::LineUp, false, 1, 0},
        {1100, V, "0", {}, Nav::FirstPage, false, 1, 0},       {1100, V, "0", {}, Nav::LineDown, true, 17, 0},
        {1100, V, "0", {}, Nav::PageDown, true, 513, 0},       {1100, V, "0", {}, Nav::LastPage, true, 1025, 0},
        {1100, V, "1099", {}, Nav::LastPage, false, 1025, 0},  {1100, V, "1099", {}, Nav::LineDown, true, 1041, 0},
        {1100, V, "1099", {}, Nav::LineUp, true, 1009, 0},     {1100, V, "1099", {}, Nav::PageUp, true, 513, 0},
        {1100, V, "1099", {}, Nav::FirstPage, true, 1, 0},     {1100, V, "1099", four, Nav::LineDown, false, 1089, 0},
        {1100, V, "1099", four, Nav::LineUp, true, 1073, 0},   {1100, V, "512", {}, Nav::PageUp, true, 1, 0},
        {1100, V, "512", {}, Nav::PageDown, true, 1025, 0},    {1100, V, "0", {Nav::LineDown}, Nav::PageUp, true, 1, 0},
        {512, V, "0", {}, Nav::LineDown, false, 1, 0},         {512, V, "0", {}, Nav::PageDown, false, 1, 0},
        {513, V, "0", {}, Nav::LineDown, true, 17, 0},         {513, V, "0", {}, Nav::PageDown, true, 513, 0},
        {513, V, "512", {}, Nav::PageDown, false, 513, 0},     {513, V, "512", {}, Nav::LineDown, false, 513, 0},
        {513, V, "512", {Nav::LineUp}, Nav::LineDown, true, 513, 0},
        {600, V, "0", std::vector<Nav>(6, Nav::LineDown), Nav::LastPage, true, 513, 0},  // the last byte shown already
        {20, E, "3", {}, Nav::LineDown, true, 1, 20},          {20, E, "4", {}, Nav::LineDown, false, 1, 5},
    };
    for (const NavCase& c : cases) {
        HexModel m = Loaded(c.size);
        if (c.edit) {
            ASSERT_TRUE(m.EnterEditMode());
        }
        m.GoTo(c.goTo);
        for (Nav n : c.before) m.Navigate(n);
        const std::string trace = "case " + std::to_string(&c - cases);
        EXPECT_EQ(m.Navigate(c.nav), c.moves) << trace;
        EXPECT_EQ(m.PageStart(), c.pageStart) << trace;
        EXPECT_EQ(m.EditPosition(), c.editPosition) << trace;
        ExpectPageShowsTheState(m, trace);
    }
}

TEST(HexNavigation, EmptyDataHasNoEditModeAndAnEmptyPage) {
    HexModel m = Loaded(0);
    EXPECT_FALSE(m.EnterEditMode());
    EXPECT_EQ(m.Page().count, 0);
    EXPECT_FALSE(m.Navigate(Nav::LastPage));
    EXPECT_EQ(m.GoTo("0").status, Status::GoToTooLarge);
    m.SetSearchText("00");
    EXPECT_EQ(m.SearchOrFindNext().status, Status::SearchedToEnd);
    HexModel none;
    EXPECT_EQ(none.GoTo("0").status, Status::Ignored);
    EXPECT_FALSE(none.Actions().search);
}

TEST(HexEditBox, ChangesTheByteOnlyWhenTheBoxLeavesIt) {
    HexModel m = Loaded(20);
    m.EnterEditMode();
    m.Navigate(Nav::PageLastByte);  // position 20, the last byte: 14
    EXPECT_FALSE(m.TypeEditKey('x'));
    EXPECT_TRUE(m.TypeEditKey('a'));
    m.SetEditCaret(2);
    EXPECT_TRUE(m.TypeEditKey('c'));  // behind the second digit: replaces it
    EXPECT_EQ(m.EditText(), "AC");
    EXPECT_FALSE(m.Navigate(Nav::Right));  // nothing to move to: no commit
    EXPECT_EQ(m.ByteAt(20), 20);
    EXPECT_TRUE(m.Navigate(Nav::Left));
    EXPECT_EQ(m.ByteAt(20), 0xAC);
    EXPECT_TRUE(m.Modified());
    EXPECT_EQ(m.EditText(), "13");
}

TEST(HexEditBox, EmptiedBoxAndUnchangedValueCommitNothing) {
    HexModel m = Loaded(20);
    m.EnterEditMode();
    m.SetEditCaret(2);
    m.TypeEditKey(hexedit::kBackspaceKey);
    m.TypeEditKey(hexedit::kBackspaceKey);
    EXPECT_EQ(m.EditText(), "");
    m.Navigate(Nav::Right);
    m.SetEditText("2");  // one digit: 02, the byte's own value
    m.Navigate(Nav::Right);
    EXPECT_EQ(m.ByteAt(1), 1);
    EXPECT_FALSE(m.Modified());
    m.SetOverwrite(false);
    m.SetEditCaret(0);
    EXPECT_FALSE(m.TypeEditKey('F'));  // full box, insert mode
    m.SetEditCaret(1);
    m.TypeEditKey(hexedit::kBackspaceKey);
    m.SetEditCaret(0);
    EXPECT_TRUE(m.TypeEditKey('F'));
    EXPECT_EQ(m.EditText(), "F3");
    m.LeaveEditMode();
    EXPECT_EQ(m.ByteAt(3), 0xF3);
}

// Go-to shows the page of the offset and marks its byte (view mode) or puts
// the edit box on it, showing that byte's value.
TEST(HexGoTo, MarksTheByteOfTheOffsetAndRefusesTheSize) {
    struct Case {
        std::string text;
        Status status;
        std::int64_t pageStart;
        const char* decimal;  // the marked byte's value (position % 251) as the labels show it
        const char* binary;
    };
    const Case cases[] = {
        {"0", Status::Done, 1, "1", "00000001"},          {"511", Status::Done, 1, "10", "00001010"},
        {"512", Status::Done, 513, "11", "00001011"},     {"1099", Status::Done, 1025, "96", "01100000"},
        {"1100", Status::GoToTooLarge, 1, "", ""},        {"", Status::NoGoToPosition, 1, "", ""},
        {"18446744073709551617", Status::GoToTooLarge, 1, "", ""},
    };
    for (const bool edit : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text + (edit ? " edit" : " view"));
            HexModel m = Loaded(1100);
            if (edit) m.EnterEditMode();
            EXPECT_EQ(m.GoTo(c.text).status, c.status);
            EXPECT_EQ(m.PageStart(), c.pageStart);
            const std::int64_t position = c.status == Status::Done ? std::stoll(c.text) + 1 : 0;
            const auto value = static_cast<std::uint8_t>(position % 251);
            EXPECT_EQ(m.Highlighted(), edit ? 0 : position);
            EXPECT_EQ(m.EditPosition(), edit ? (position ? position : 1) : 0);
            EXPECT_EQ(m.AsciiLabel(), edit ? "" : c.decimal);
            EXPECT_EQ(m.BinaryLabel(), edit ? "" : c.binary);
            if (edit && position) {
                EXPECT_EQ(m.EditText(), hexedit::HexByteText(value));
            }
            const hexedit::PageView page = m.Page();
            for (int k = 0; k < page.count; ++k)
                EXPECT_EQ(page.cells[k].highlighted, !edit && page.start + k == position) << k;
        }
    }
    HexModel m = Loaded(1100);
    m.EnterEditMode();
    m.GoTo("1099");
    EXPECT_EQ(m.EditPosition(), 1100);
    m.SetEditText("AB");
    m.GoTo("1099");  // onto the edit position itself
    EXPECT_EQ(m.ByteAt(1100), 0xAB);
}

// The box marks the byte in edit mode; the view mode's click mark goes.
TEST(HexEditBox, EnteringEditModeDropsTheClickHighlight) {
    HexModel m = Loaded(100);
    ASSERT_TRUE(m.ClickCell(5));
    m.EnterEditMode();
    EXPECT_EQ(m.Highlighted(), 0);
    EXPECT_FALSE(m.Page().cells[5].highlighted);
}

TEST(HexSearch, StringFoundTwiceCyclesThroughSearchedToEnd) {
    HexModel m = LoadedText("..word....word..");
    m.SetSearchText("word");
    EXPECT_EQ(m.SearchOrFindNext().status, Status::Done);
    EXPECT_EQ(m.LastFound(), 3);
    EXPECT_EQ(m.SearchOrFindNext().status, Status::Done);
    EXPECT_EQ(m.LastFound(), 11);
    const auto end = m.SearchOrFindNext();
    EXPECT_EQ(end.message, hexedit::SearchedToEndText("word"));
    EXPECT_EQ(m.LastFound(), 0);
    m.SearchOrFindNext();
    EXPECT_EQ(m.LastFound(), 3);
    m.SearchFromStart();
    EXPECT_EQ(m.LastFound(), 3);
}

// One search from the start: its result, the hit and the page shown.
TEST(HexSearch, HitsPageEdgesCaseFoldingAndPatternsPastTheEnd) {
    struct Case {
        std::string data;
        SearchMode mode;
        bool caseSensitive;
        std::string text;
        Status status;
        std::int64_t hit, pageStart;
    };
    const std::string zeros(2000, '\0');
    const auto at = [&](std::size_t p) { return zeros.substr(0, p - 1) + "Z" + zeros.substr(p); };
    const Case cases[] = {
        {at(511), SearchMode::Hex, true, "5A00", Status::Done, 511, 1},
        {at(512), SearchMode::Hex, true, "5A00", Status::Done, 512, 1},
        {at(513), SearchMode::Hex, true, "5A00", Status::Done, 513, 513},
        {"xx WORD \xC9T\xC9", SearchMode::Chr, true, "word", Status::SearchedToEnd, 0, 1},
        {"xx WORD \xC9T\xC9", SearchMode::Chr, false, "word", Status::Done, 4, 1},
        {"xx WORD \xC9T\xC9", SearchMode::Chr, false, "\xE9t\xE9", Status::Done, 9, 1},
        {"abcAB", SearchMode::Chr, true, "ABC", Status::SearchedToEnd, 0, 1},
        {"abcAB", SearchMode::Hex, true, "AB43", Status::SearchedToEnd, 0, 1},  // 41 42 43 runs past the end too
        {"abcAB", SearchMode::Hex, true, "4142", Status::Done, 4, 1},
        {"abcAB", SearchMode::Hex, true, "414", Status::BadHexValue, 0, 1},
        {"abcAB", SearchMode::Hex, true, "", Status::NoSearchText, 0, 1},
        {"abcAB", SearchMode::Chr, true, "AB", Status::Done, 4, 1},
        {"abcAB", SearchMode::Hex, false, "41", Status::Done, 4, 1},  // hex is exact, whatever the case setting
        {"ABab", SearchMode::Hex, false, "6162", Status::Done, 3, 1},
        {"abcAB", SearchMode::Hex, true, "61", Status::Done, 1, 1},
        {"@[\xD7\xDF", SearchMode::Chr, false, "`", Status::SearchedToEnd, 0, 1},  // none of these are letters
        {"@[\xD7\xDF", SearchMode::Chr, false, "\xF7", Status::SearchedToEnd, 0, 1},
        {"@[\xD7\xDF", SearchMode::Chr, false, "\xFF", Status::SearchedToEnd, 0, 1},
        {"@[\xD7\xDF", SearchMode::Chr, false, "{", Status::SearchedToEnd, 0, 1},
        {"xAZ\xC0\xDE", SearchMode::Chr, false, "az\xE0\xFE", Status::Done, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HexModel m = LoadedText(c.data);
        m.SetSearchMode(c.mode);
        m.SetCaseSensitive(c.caseSensitive);
        m.SetSearchText(c.text);
        EXPECT_EQ(m.SearchOrFindNext().status, c.status);
        EXPECT_EQ(m.LastFound(), c.hit);
        EXPECT_EQ(m.PageStart(), c.pageStart);
        // The hit's bytes, and only they, are marked.
        const auto length = static_cast<std::int64_t>(c.mode == SearchMode::Hex ? c.text.size() / 2 : c.text.size());
        const hexedit::PageView page = m.Page();
        for (int k = 0; k < page.count; ++k)
            EXPECT_EQ(page.cells[k].hit, c.hit && page.start + k >= c.hit && page.start + k < c.hit + length) << k;
    }
    HexModel m = LoadedText("");
    m.SetSearchText("AB 4x3");
    m.SetSearchMode(SearchMode::Hex);  // keeps the hex digits
    EXPECT_EQ(m.SearchText(), "AB43");
}

TEST(HexSearch, CommitsThePendingEditAndMovesTheEditBox) {
    HexModel m = Loaded(1000);
    m.EnterEditMode();
    m.SetEditText("FE");
    m.SetSearchText("FE");
    ASSERT_TRUE(m.SearchOrFindNext().ok());
    EXPECT_EQ(m.HitStart(), 1);
    m.SetSearchText(hexedit::HexByteText(200));
    ASSERT_TRUE(m.SearchOrFindNext().ok());
    EXPECT_EQ(m.EditPosition(), 200);
}

}  // namespace
