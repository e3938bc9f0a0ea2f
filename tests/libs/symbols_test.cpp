// Only the named exports leave each compression library.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "support/test_support.h"

namespace {

TEST(LibrarySymbolTable, EachLibraryExportsExactlyItsFunctions) {
    const std::pair<const char*, std::set<std::string>> libraries[] = {
        {"TarvoComp", {"ExpandLZ", "Expand_LZMIT", "Mit_UnCompress_Lzss", "ExpandTarvo", "Compress_LZSS",
                       "Compress_LZSS_C", "Compress_LZMIT", "Compress_LZMIT_C", "CompressTarvo"}},
        {"TarvoCompC", {"ExpandLZ", "TarvoRessExpandLZEntry", "TarvoRessExpandLZEntryFixed", "ExpandQuenda",
                        "ExpandHOLZSS", "Decode", "Decode1", "Decode2", "CompressHOLZSS", "Encode", "Encode2",
                        "InitTree", "InsertNode", "InsertNode2", "DeleteNode", "Compress", "CompressBytes",
                        "GetMaxSize", "CompressDravik", "CompressHesk"}},
        {"Pack", {"CompressNewEx", "Unpack"}},
    };
    for (const auto& [name, want] : libraries) {
        const auto nm = testing_support::RunCommand("nm -D --defined-only --format=posix '" +
                                                    testing_support::BinDir() + "/lib" + name + ".so'");
        std::set<std::string> got;
        std::istringstream lines(nm.out);
        for (std::string line; std::getline(lines, line);) got.insert(line.substr(0, line.find(' ')));
        EXPECT_EQ(got, want) << name;
    }
}

}  // namespace
