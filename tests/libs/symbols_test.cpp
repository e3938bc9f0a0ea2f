// Only the named exports leave each compression library.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "support/test_support.h"

namespace {

// The defined dynamic symbols of a shared object, as nm lists them.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::set<std::string> names;
    std::string command = "nm -D --defined-only --format=posix '" + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string s(line);
        auto space = s.find(' ');
        if (space == std::string::npos) continue;
        names.insert(s.substr(0, space));
    }
    ::pclose(pipe);
    return names;
}

TEST(LibrarySymbolTable, TarvoCompExportsExactlyItsFunctions) {
    const std::set<std::string> want{"ExpandLZ",        "Expand_LZMIT",   "Mit_UnCompress_Lzss",
                                     "ExpandTarvo",     "Compress_LZSS",  "Compress_LZSS_C",
                                     "Compress_LZMIT",  "Compress_LZMIT_C", "CompressTarvo"};
    EXPECT_EQ(DefinedDynamicSymbols(testing_support::BinDir() + "/libTarvoComp.so"), want);
}

TEST(LibrarySymbolTable, TarvoCompCExportsExactlyItsFunctions) {
    const std::set<std::string> want{
        // decoders
        "ExpandLZ", "TarvoRessExpandLZEntry", "TarvoRessExpandLZEntryFixed", "ExpandQuenda", "ExpandHOLZSS",
        "Decode", "Decode1", "Decode2",
        // tree encoders
        "CompressHOLZSS", "Encode", "Encode2", "InitTree", "InsertNode", "InsertNode2", "DeleteNode",
        // search encoders
        "Compress", "CompressBytes", "GetMaxSize", "CompressDravik", "CompressHesk"};
    EXPECT_EQ(DefinedDynamicSymbols(testing_support::BinDir() + "/libTarvoCompC.so"), want);
}

TEST(LibrarySymbolTable, PackExportsExactlyItsFunctions) {
    const std::set<std::string> want{"CompressNewEx", "Unpack"};
    EXPECT_EQ(DefinedDynamicSymbols(testing_support::BinDir() + "/libPack.so"), want);
}

}  // namespace
