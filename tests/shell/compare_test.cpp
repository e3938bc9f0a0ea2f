#include "shell/compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/error.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using shell::CompareArchives;
using shell::ComparisonRow;
using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

void PutInt32(Bytes& b, std::size_t at, std::int32_t v) {
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

// Writes the archive bytes by hand so the comparison is tested apart from
// the archive writer.
Bytes MakeArchive(const std::vector<Entry>& entries) {
    std::size_t n = entries.size();
    Bytes b((n + 1) * 4, 0);
    std::vector<std::int32_t> slots(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const Entry& e = entries[i];
        if (e.blank) continue;
        if (e.pointerTo >= 0) {
            slots[i] = slots[static_cast<std::size_t>(e.pointerTo)];
            continue;
        }
        slots[i] = static_cast<std::int32_t>(b.size());
        std::size_t at = b.size();
        b.resize(at + 10 + static_cast<std::size_t>(e.size), 0x5A);
        PutInt32(b, at, e.decompressed);
        PutInt32(b, at + 4, e.size);
        b[at + 8] = static_cast<std::uint8_t>(e.type);
        b[at + 9] = 0;
    }
    for (std::size_t i = 0; i < n; ++i) PutInt32(b, i * 4, slots[i]);
    PutInt32(b, n * 4, static_cast<std::int32_t>(b.size()));
    return b;
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
    PutInt32(huge, 0, 0x7FFFFFFC);                                  // claims half a billion slots
    PutInt32(outside, 8, static_cast<std::int32_t>(a.size()) - 9);  // header cut by the end of file
    PutInt32(negative, 4, -16);
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
