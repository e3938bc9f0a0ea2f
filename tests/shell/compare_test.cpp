#include "shell/compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/error.h"
#include "archive/item_table_builder.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using shell::CompareArchives;
using shell::ComparisonRow;
using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Overwrites the 32-bit field at `at`.
void Put32At(Bytes& b, std::size_t at, std::int32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
}

// An entry of the fixture archives: stored length and header fields, or a
// pointer, or a blank slot.
struct Entry {
    int size = 0;               // stored bytes
    int decompressed = 0;
    int type = 0;
    int pointerTo = -1;         // >= 0: repeats the slot of that item
    bool blank = false;
};

// Writes the archive bytes by hand (every entry's data 0x5A) so the
// comparison is tested apart from the archive writer.
Bytes MakeArchive(const std::vector<Entry>& entries) {
    const auto start = static_cast<std::int32_t>(entries.size() + 1) * 4;
    std::vector<std::int32_t> slots;
    Bytes body, out;
    for (const Entry& e : entries) {
        if (e.blank || e.pointerTo >= 0) {
            slots.push_back(e.blank ? 0 : slots[static_cast<std::size_t>(e.pointerTo)]);
            continue;
        }
        slots.push_back(start + static_cast<std::int32_t>(body.size()));
        const Bytes entry = testing_support::EntryBytes(e.decompressed, static_cast<std::int16_t>(e.type),
                                                        Bytes(static_cast<std::size_t>(e.size), 0x5A));
        body.insert(body.end(), entry.begin(), entry.end());
    }
    slots.push_back(start + static_cast<std::int32_t>(body.size()));
    for (const std::int32_t slot : slots) testing_support::PutInt32(out, slot);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<Entry> ThreeItems() { return {{5, 7, 1}, {3, 3, 0}, {9, 20, 2}}; }

// Writes the two archives and compares them.
std::vector<ComparisonRow> Compare(const std::vector<Entry>& a, const std::vector<Entry>& b) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive(a));
    WriteBytes(dir.file("B.HQR"), MakeArchive(b));
    return CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
}

TEST(CompareArchives, RowsOfEveryKind) {
    auto rows = Compare(ThreeItems(), ThreeItems());
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[0], (ComparisonRow{"", "", "Match"}));
    const char* what[] = {"Offset", "Decompressed size", "Compressed size", "Compression type"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(rows[1 + i], (ComparisonRow{"", "", "Item " + std::to_string(i / 4) + ": " + what[i % 4] + " match"}));
    // More items in the first: entries lie 8 bytes further on, every offset
    // differs, headers agree, and an EOF row ends the list.
    rows = Compare({{5, 7, 1}, {3, 3, 0}, {9, 20, 2}, {1, 1, 0}, {2, 2, 0}}, ThreeItems());
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows.front(), (ComparisonRow{"00000018", "00000010", "Mismatch"}));
    EXPECT_EQ(rows[1], (ComparisonRow{"00000018", "00000010", "Item 0: Offset mismatch"}));
    EXPECT_EQ(rows[9], (ComparisonRow{"00000034", "0000002C", "Item 2: Offset mismatch"}));
    EXPECT_EQ(rows.back(), (ComparisonRow{"Item", "EOF", "The first archive has more items, than the second archive"}));
    // Items only in the second are not mentioned.
    rows = Compare({{5, 7, 1}, {3, 3, 0}}, {{5, 7, 1}, {3, 3, 0}, {1, 1, 0}, {1, 1, 0}});
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows.front(), (ComparisonRow{"0000000C", "00000014", "Mismatch"}));
    // A blank slot shows zeroes; a pointer compares its target's header.
    rows = Compare({{5, 7, 1}, {3, 300, 2}}, {{5, 7, 1}, {.blank = true}});
    EXPECT_EQ(std::vector<ComparisonRow>(rows.begin() + 5, rows.end()),
              (std::vector<ComparisonRow>{{"0000001B", "00000000", "Item 1: Offset mismatch"},
                                          {"300", "0", "Item 1: Decompressed size mismatch"},
                                          {"3", "0", "Item 1: Compressed size mismatch"},
                                          {"2", "0", "Item 1: Compression type mismatch"}}));
}

// Each row can say mismatch on its own: archives that differ in one field
// only (a pointer compares its target's header at its own offset).
TEST(CompareArchives, EachFieldMismatchesAlone) {
    const std::tuple<std::vector<Entry>, std::vector<Entry>, std::size_t, ComparisonRow> cases[] = {
        {{{5, 7, 1}, {.pointerTo = 0}}, {{5, 7, 1}, {5, 7, 1}}, 5, {"0000000C", "0000001B", "Item 1: Offset mismatch"}},
        {{{5, 7, 1}}, {{5, 8, 1}}, 2, {"7", "8", "Item 0: Decompressed size mismatch"}},
        {{{5, 7, 1}}, {{6, 7, 1}}, 3, {"5", "6", "Item 0: Compressed size mismatch"}},
        {{{5, 7, 1}}, {{5, 7, 2}}, 4, {"1", "2", "Item 0: Compression type mismatch"}},
    };
    for (const auto& [a, b, differing, expected] : cases) {
        const auto rows = Compare(a, b);
        ASSERT_EQ(rows.size(), 1 + 4 * a.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (r == differing) EXPECT_EQ(rows[r], expected);
            else EXPECT_TRUE((rows[r].Result == "Match" || rows[r].Result.ends_with(" match")) &&
                             rows[r].Archive1.empty() && rows[r].Archive2.empty())
                     << expected.Result << " row " << r << ": " << rows[r].Result;
        }
    }
}

TEST(CompareArchivesRejects, UnreadableArchives) {
    TempDir dir;
    const Bytes a = MakeArchive(ThreeItems());
    WriteBytes(dir.file("A.HQR"), a);
    WriteBytes(dir.file("EMPTY.HQR"), {});
    Bytes huge = a, outside = a, negative = a;
    Put32At(huge, 0, 0x7FFFFFFC);                                  // claims half a billion slots
    Put32At(outside, 8, static_cast<std::int32_t>(a.size()) - 9);  // header cut by the end of file
    Put32At(negative, 4, -16);
    WriteBytes(dir.file("HUGE.HQR"), huge);
    WriteBytes(dir.file("OUT.HQR"), outside);
    WriteBytes(dir.file("NEG.HQR"), negative);
    const std::string A = dir.file("A.HQR");
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        {A, dir.file("NONE.HQR"), shell::kCompareFileNotFound, "Specified file not found: '" + dir.file("NONE.HQR") + "'"},
        {dir.path().string(), A, shell::kCompareCannotRead, dir.path().string()},
        {dir.file("EMPTY.HQR"), A, shell::kCompareTruncated,
         "'" + dir.file("EMPTY.HQR") + "' is shorter than its offset table claims"},
        {A, dir.file("HUGE.HQR"), shell::kCompareTruncated, "HUGE.HQR"},
        {dir.file("OUT.HQR"), A, shell::kCompareTruncated, "(item 2)"},
        {A, dir.file("NEG.HQR"), shell::kCompareTruncated, "(item 1)"},
    };
    for (const auto& [first, second, number, text] : cases) {
        const archive::Error e = testing_support::ErrorOf([&] { CompareArchives(first, second); });
        EXPECT_EQ(e.Number, number);
        EXPECT_EQ(e.Source, "CompareArchives");
        EXPECT_NE(e.Description.find(text), std::string::npos) << e.Description;
    }
}

}  // namespace
