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

std::vector<ComparisonRow> MatchRows(int item) {
    std::string s = "Item " + std::to_string(item);
    return {{"", "", s + ": Offset match"},
            {"", "", s + ": Decompressed size match"},
            {"", "", s + ": Compressed size match"},
            {"", "", s + ": Compression type match"}};
}

TEST(CompareArchives, TwoCopiesGiveMatchRowsOnly) {
    TempDir dir;
    Bytes a = MakeArchive(ThreeItems());
    WriteBytes(dir.file("A.HQR"), a);
    WriteBytes(dir.file("B.HQR"), a);
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    std::vector<ComparisonRow> expected = {{"", "", "Match"}};
    for (int i = 0; i < 3; ++i)
        for (const auto& r : MatchRows(i)) expected.push_back(r);
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows, expected);
}

TEST(CompareArchives, MoreItemsInFirstEndsWithEofRow) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive({{5, 7, 1}, {3, 3, 0}, {9, 20, 2}, {1, 1, 0}, {2, 2, 0}}));
    WriteBytes(dir.file("B.HQR"), MakeArchive(ThreeItems()));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    ASSERT_EQ(rows.size(), 1u + 12u + 1u);
    EXPECT_EQ(rows.front(), (ComparisonRow{"00000018", "00000010", "Mismatch"}));
    // Entries lie 8 bytes further on in A: every offset differs, headers agree.
    EXPECT_EQ(rows[1], (ComparisonRow{"00000018", "00000010", "Item 0: Offset mismatch"}));
    EXPECT_EQ(rows[2], (ComparisonRow{"", "", "Item 0: Decompressed size match"}));
    EXPECT_EQ(rows[9], (ComparisonRow{"00000034", "0000002C", "Item 2: Offset mismatch"}));
    EXPECT_EQ(rows.back(),
              (ComparisonRow{"Item", "EOF", "The first archive has more items, than the second archive"}));
}

TEST(CompareArchives, ItemsOnlyInSecondAreNotMentioned) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive({{5, 7, 1}, {3, 3, 0}}));
    WriteBytes(dir.file("B.HQR"), MakeArchive({{5, 7, 1}, {3, 3, 0}, {1, 1, 0}, {1, 1, 0}}));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows.front(), (ComparisonRow{"0000000C", "00000014", "Mismatch"}));
    EXPECT_EQ(rows.back().Result, "Item 1: Compression type match");
}

TEST(CompareArchives, BlankAgainstNormalShowsZeroes) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive({{5, 7, 1}, {3, 300, 2}}));
    WriteBytes(dir.file("B.HQR"), MakeArchive({{5, 7, 1}, {.blank = true}}));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[5], (ComparisonRow{"0000001B", "00000000", "Item 1: Offset mismatch"}));
    EXPECT_EQ(rows[6], (ComparisonRow{"300", "0", "Item 1: Decompressed size mismatch"}));
    EXPECT_EQ(rows[7], (ComparisonRow{"3", "0", "Item 1: Compressed size mismatch"}));
    EXPECT_EQ(rows[8], (ComparisonRow{"2", "0", "Item 1: Compression type mismatch"}));
}

TEST(CompareArchives, PointerComparesItsTargetsHeader) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive({{5, 7, 1}, {.pointerTo = 0}, {4, 4, 0}}));
    WriteBytes(dir.file("B.HQR"), MakeArchive({{5, 7, 1}, {5, 7, 1}, {4, 4, 0}}));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[5], (ComparisonRow{"00000010", "0000001F", "Item 1: Offset mismatch"}));
    EXPECT_EQ(rows[6].Result, "Item 1: Decompressed size match");
    EXPECT_EQ(rows[7].Result, "Item 1: Compressed size match");
    EXPECT_EQ(rows[8].Result, "Item 1: Compression type match");
}

TEST(CompareArchives, NegativeValuesInTwosComplement) {
    EXPECT_EQ(shell::OffsetText(-1), "FFFFFFFF");
    EXPECT_EQ(shell::OffsetText(0), "00000000");
    EXPECT_EQ(shell::OffsetText(0x0ABCDEF0), "0ABCDEF0");
    TempDir dir;
    Bytes a = MakeArchive(ThreeItems());
    PutInt32(a, 16, -5);  // decompressed size of item 0
    WriteBytes(dir.file("A.HQR"), a);
    WriteBytes(dir.file("B.HQR"), MakeArchive(ThreeItems()));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("B.HQR"));
    EXPECT_EQ(rows[2], (ComparisonRow{"-5", "7", "Item 0: Decompressed size mismatch"}));
}

TEST(CompareArchives, TableWithoutItemsGivesHeaderRowOnly) {
    TempDir dir;
    Bytes empty(4, 0);
    PutInt32(empty, 0, 4);
    Bytes zero(4, 0);  // a blank first slot: no item count can be taken from it
    WriteBytes(dir.file("E.HQR"), empty);
    WriteBytes(dir.file("Z.HQR"), zero);
    EXPECT_EQ(CompareArchives(dir.file("E.HQR"), dir.file("E.HQR")),
              (std::vector<ComparisonRow>{{"", "", "Match"}}));
    EXPECT_EQ(CompareArchives(dir.file("E.HQR"), dir.file("Z.HQR")),
              (std::vector<ComparisonRow>{{"00000004", "00000000", "Mismatch"}}));
    // Archive 1 has items, archive 2 none at all.
    WriteBytes(dir.file("A.HQR"), MakeArchive(ThreeItems()));
    auto rows = CompareArchives(dir.file("A.HQR"), dir.file("Z.HQR"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].Archive2, "EOF");
}

void ExpectError(const std::string& a, const std::string& b, int number, const std::string& text) {
    SCOPED_TRACE(a + " / " + b);
    const archive::Error e = testing_support::ErrorOf([&] { CompareArchives(a, b); });
    EXPECT_EQ(e.Number, number);
    EXPECT_EQ(e.Source, "CompareArchives");
    EXPECT_NE(e.Description.find(text), std::string::npos) << e.Description;
}

TEST(CompareArchivesRejects, UnreadableArchives) {
    TempDir dir;
    WriteBytes(dir.file("A.HQR"), MakeArchive(ThreeItems()));
    ExpectError(dir.file("A.HQR"), dir.file("NONE.HQR"), shell::kCompareFileNotFound,
                "Specified file not found: '" + dir.file("NONE.HQR") + "'");
    ExpectError(dir.file("NONE.HQR"), dir.file("A.HQR"), shell::kCompareFileNotFound, "NONE.HQR");
    ExpectError(dir.path().string(), dir.file("A.HQR"), shell::kCompareCannotRead, dir.path().string());
    ExpectError("", dir.file("A.HQR"), shell::kCompareFileNotFound, "''");
}

TEST(CompareArchivesRejects, ArchivesShorterThanTheirTable) {
    TempDir dir;
    Bytes a = MakeArchive(ThreeItems());
    WriteBytes(dir.file("A.HQR"), a);
    WriteBytes(dir.file("EMPTY.HQR"), {});
    ExpectError(dir.file("EMPTY.HQR"), dir.file("A.HQR"), shell::kCompareTruncated,
                "'" + dir.file("EMPTY.HQR") + "' is shorter than its offset table claims");

    Bytes huge = a;
    PutInt32(huge, 0, 0x7FFFFFFC);  // claims half a billion slots
    WriteBytes(dir.file("HUGE.HQR"), huge);
    ExpectError(dir.file("A.HQR"), dir.file("HUGE.HQR"), shell::kCompareTruncated, "HUGE.HQR");

    Bytes outside = a;
    PutInt32(outside, 8, static_cast<std::int32_t>(a.size()) - 9);  // header cut by the end of file
    WriteBytes(dir.file("OUT.HQR"), outside);
    ExpectError(dir.file("OUT.HQR"), dir.file("A.HQR"), shell::kCompareTruncated, "(item 2)");

    Bytes negative = a;
    PutInt32(negative, 4, -16);
    WriteBytes(dir.file("NEG.HQR"), negative);
    ExpectError(dir.file("A.HQR"), dir.file("NEG.HQR"), shell::kCompareTruncated, "(item 1)");
}

// Every prefix of an archive either compares (only data bytes are missing)
// or is reported; none gives rows built from bytes beyond the file.
TEST(CompareArchivesRejects, EveryPrefixOfAnArchive) {
    TempDir dir;
    Bytes a = MakeArchive(ThreeItems());
    WriteBytes(dir.file("A.HQR"), a);
    // The last header ends 10 bytes after the last slot's offset.
    std::size_t lastHeaderEnd = 16 + 15 + 13 + 10;
    for (std::size_t length = 0; length < a.size(); ++length) {
        WriteBytes(dir.file("P.HQR"), Bytes(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(length)));
        bool readable = length >= lastHeaderEnd;
        try {
            auto rows = CompareArchives(dir.file("P.HQR"), dir.file("A.HQR"));
            EXPECT_TRUE(readable) << "rows from a prefix of " << length << " bytes";
            EXPECT_EQ(rows.size(), 13u);
        } catch (const archive::Error& e) {
            EXPECT_FALSE(readable) << length << ": " << e.Description;
            EXPECT_EQ(e.Number, shell::kCompareTruncated);
        }
    }
}

}  // namespace
