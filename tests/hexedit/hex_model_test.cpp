#include "hexedit/hex_model.h"

#include <gtest/gtest.h>

#include <cstdint>
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

struct NavCase {
    std::int64_t size;
    bool edit;
    std::vector<Nav> before;   // moves made first
    Nav nav;
    bool moves;
    std::int64_t pageStart, editPosition;  // after nav (editPosition 0 in view mode)
};

TEST(HexNavigation, EveryMoveAtBothEnds) {
    const std::vector<Nav> downTo513(32, Nav::LineDown);
    const NavCase cases[] = {
        {512, false, {}, Nav::LineDown, false, 1, 0},
        {512, false, {}, Nav::PageDown, false, 1, 0},
        {513, false, {}, Nav::LineDown, true, 17, 0},
        {513, false, downTo513, Nav::LineDown, false, 513, 0},
        {513, false, downTo513, Nav::LineUp, true, 497, 0},
        {513, false, {}, Nav::LineUp, false, 1, 0},
        {513, false, {}, Nav::PageDown, true, 513, 0},
        {513, false, {Nav::PageDown}, Nav::PageDown, false, 513, 0},
        {513, false, {Nav::LineDown}, Nav::PageUp, true, 1, 0},
        {1100, false, {}, Nav::LastPage, true, 1025, 0},
        {1100, false, {Nav::LastPage}, Nav::FirstPage, true, 1, 0},
        {600, false, std::vector<Nav>(6, Nav::LineDown), Nav::LastPage, true, 513, 0},
        {600, true, {Nav::Right, Nav::LineDown}, Nav::PageDown, true, 513, 530},
        {600, true, {Nav::PageLastByte}, Nav::PageDown, true, 513, 600},
        {600, true, {Nav::PageDown, Nav::Right}, Nav::PageUp, true, 1, 2},
        {600, true, {Nav::PageLastByte}, Nav::PageFirstByte, true, 1, 1},
        {600, true, {}, Nav::LineUp, false, 1, 1},
        {600, true, {Nav::LastPage}, Nav::Right, true, 513, 514},
        {600, true, {Nav::LastPage, Nav::PageLastByte}, Nav::Right, false, 513, 600},
        {600, true, {Nav::PageLastByte}, Nav::Right, true, 17, 513},
        {600, true, {Nav::PageLastByte}, Nav::LineDown, true, 17, 528},
        {600, true, {Nav::PageLastByte, Nav::LineDown}, Nav::LineUp, true, 17, 512},
        {600, true, {Nav::LastPage, Nav::LineDown, Nav::LineDown, Nav::LineDown, Nav::LineDown, Nav::LineDown},
         Nav::LineDown, false, 513, 593},
        {600, true, {Nav::PageDown}, Nav::LineUp, true, 497, 497},
        {600, true, {Nav::PageLastByte, Nav::Right}, Nav::Left, true, 17, 512},
        {600, true, {Nav::PageLastByte, Nav::Right}, Nav::FirstPage, true, 1, 1},
        {600, true, {Nav::PageDown}, Nav::LastPage, false, 513, 513},
    };
    for (const NavCase& c : cases) {
        HexModel m = Loaded(c.size);
        if (c.edit) {
            ASSERT_TRUE(m.EnterEditMode());
        }
        for (Nav n : c.before) m.Navigate(n);
        const int line = static_cast<int>(&c - cases);
        EXPECT_EQ(m.Navigate(c.nav), c.moves) << "case " << line;
        EXPECT_EQ(m.PageStart(), c.pageStart) << "case " << line;
        EXPECT_EQ(m.EditPosition(), c.editPosition) << "case " << line;
        EXPECT_EQ(m.PageEnd(), std::min<std::int64_t>(c.pageStart + 511, c.size)) << "case " << line;
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

TEST(HexGoTo, LandsOnThePageOfTheOffsetAndRefusesTheSize) {
    struct Case {
        std::string text;
        Status status;
        std::int64_t pageStart;
    };
    const Case cases[] = {
        {"0", Status::Done, 1},          {"511", Status::Done, 1},
        {"512", Status::Done, 513},      {"1099", Status::Done, 1025},
        {"1100", Status::GoToTooLarge, 1}, {"", Status::NoGoToPosition, 1},
        {"18446744073709551617", Status::GoToTooLarge, 1},
    };
    for (const Case& c : cases) {
        HexModel m = Loaded(1100);
        EXPECT_EQ(m.GoTo(c.text).status, c.status) << c.text;
        EXPECT_EQ(m.PageStart(), c.pageStart) << c.text;
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
