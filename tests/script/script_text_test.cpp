#include "script/script_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "archive/error.h"
#include "support/expect_error.h"

namespace {

using Strings = std::vector<std::string>;

TEST(ScriptText, SplitsLinesAndFields) {
    // CR LF and CR end a line, LF alone does not.
    const std::pair<std::string, Strings> lines[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c\nd"}}, {"a\r\n\r\n", {"a", ""}}, {"\r\r\n\n", {"", "", "\n"}},
        {"", {}}, {"\n\r\n", {"\n"}}, {std::string("a\0b\r", 4), {std::string("a\0b", 3)}}};
    for (const auto& [text, want] : lines) EXPECT_EQ(script::SplitLines(text), want);
    // Every single space cuts.
    const std::pair<std::string, Strings> fields[] = {
        {"DEL  5", {"DEL", "", "5"}}, {"DEL ", {"DEL", ""}}, {"", {""}}, {"DEL\t5", {"DEL\t5"}},
        {"EXT 1 \"a b\"", {"EXT", "1", "\"a", "b\""}}};
    for (const auto& [line, want] : fields) EXPECT_EQ(script::SplitFields(line), want);
    const std::pair<std::string, std::string> mnemonics[] = {
        {"save", "SAV"}, {"x", "X"}, {" del", " DE"}, {"\xe0\xf7\xff", "\xc0\xf7\xff"}, {"", ""}};
    for (const auto& [line, want] : mnemonics) EXPECT_EQ(script::Mnemonic(line), want);
}

TEST(ScriptText, FileNameRunsFromTheFirstToTheLastQuote) {
    auto n = script::FileNameOf("EXT 1 \"C:\\a \"b\" c.bin\" tail");
    EXPECT_TRUE(n.Found && n.Terminated);
    EXPECT_EQ(n.Name, "C:\\a \"b\" c.bin");
    n = script::FileNameOf("EXT 1 \"open name ");
    EXPECT_TRUE(n.Found && !n.Terminated);
    EXPECT_EQ(n.Name, "open name ");
    EXPECT_FALSE(script::FileNameOf("EXT 1 x").Found);
    EXPECT_EQ(script::FileNameOf("SVA \"").Name, "");
}

TEST(ScriptText, LeadingNumberReadsTheLongestLeadingNumber) {
    const std::pair<std::string, double> cases[] = {
        {"12abc", 12},  {"-3.5x", -3.5}, {"+7", 7},        {".5", 0.5},         {"5.", 5},
        {"1e3", 1000},  {"1E+2x", 100},  {"25e-1", 2.5},   {"1e", 1},           {"1e+", 1},
        {"&H1F", 31},   {"&hff;", 255},  {"&HFFFFFFFF", 4294967295.0},          {"&H", 0},
        {"0x10", 0},    {"-&H10", 0},    {"", 0},          {"-", 0},            {".", 0},
        {" 5", 0},      {"\t5", 0},      {"1e-400", 0},    {"1e400", INFINITY}, {"-1e400", -INFINITY},
        {"&H" + std::string(300, 'F'), INFINITY},          {std::string(400, '9'), INFINITY}};
    for (const auto& [field, want] : cases) EXPECT_EQ(script::LeadingNumber(field), want) << field;
}

TEST(ScriptText, NumbersRoundHalfToEvenWithinTheirTypes) {
    const std::pair<std::string, std::int32_t> int32s[] = {
        {"2.5", 2},  {"3.5", 4}, {"-2.5", -2}, {"-3.5", -4}, {"0.5", 0}, {"1.4999", 1}, {"1.5001", 2},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483646.5", 2147483646}};
    for (const auto& [field, want] : int32s) EXPECT_EQ(script::ReadInt32(field), want) << field;
    for (const auto& [field, want] : {std::pair{"-0.4", 0}, {"32767", 32767}, {"-32768.4", -32768}, {"&H7FFF", 32767}})
        EXPECT_EQ(script::ReadInt16(field), want) << field;
    for (const char* field : {"2147483648", "2147483647.5", "-2147483649", "&HFFFFFFFF", "1e10", "1e400", "-1e400"})
        testing_support::ExpectError([&] { script::ReadInt32(field); }, script::kNumberOutOfRange, "RunScript",
                                     std::string("Number out of range for a signed 32-bit value: ") + field);
    for (const char* field : {"32768", "32767.5", "-32769", "&HFFFF"}) EXPECT_THROW(script::ReadInt16(field), archive::Error);
}

}  // namespace
