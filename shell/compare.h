// The slot-by-slot comparison of two HQR archive files, read directly from
// disk (the archive open in the main window is neither needed nor touched).
#pragma once

#include <string>
#include <vector>

namespace shell {

// One line of the comparison list: the value from archive 1, the value from
// archive 2 and the result text. Value columns are empty on a match.
struct ComparisonRow {
    std::string Archive1;
    std::string Archive2;
    std::string Result;

    bool operator==(const ComparisonRow&) const = default;
};

// Shown (exclamation icon) when Compare is pressed before both archives are
// chosen; nothing is compared then.
inline constexpr const char* kCompareNotSpecifiedMessage =
    "At least one of the two archives to compare has not yet been specified.\r\n"
    "Please specify both archives to compare, and then try again.";

// Error numbers of CompareArchives (source "CompareArchives").
constexpr int kCompareFileNotFound = 2144;   // no file at the path
constexpr int kCompareCannotRead = 2145;     // a folder, or the read failed
constexpr int kCompareTruncated = 2146;      // shorter than its offset table claims

// Compares the offset-table slots and entry headers of the archives at path1
// and path2 and returns the rows in list order: the header row ("Match" or
// "Mismatch" on slot 0), then four rows per item (offset, decompressed size,
// stored size, compression type) for every item of archive 1 that archive 2
// also has, and an "EOF" row when archive 1 has more items. Items that only
// archive 2 has are not mentioned; entry data is not compared.
//
// Every value is read before the first row is made: an archive that cannot
// be read, is shorter than 4 bytes, is shorter than its offset table, or has
// a slot naming a header that lies (partly) outside the file raises an
// archive::Error naming the path, and no rows are returned.
std::vector<ComparisonRow> CompareArchives(const std::string& path1, const std::string& path2);

// Eight upper-case hexadecimal digits, zero-padded; negative values as their
// 32-bit two's complement.
std::string OffsetText(int value);

}  // namespace shell
