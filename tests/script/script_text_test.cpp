#include "script/script_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "archive/error.h"
#include "support/expect_error.h"

namespace {

using script::FileNameOf;
using script::LeadingNumber;
using script::ReadInt16;
using script::ReadInt32;
using script::SplitFields;
using script::SplitLines;
using Strings = std::vector<std::string>;

TEST(SplitLines, CrLfAndCrEndLinesLfAloneDoesNot) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Strings{"a", "b", "c\nd"}));
    EXPECT_EQ(SplitLines("a\r\n"), (Strings{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Strings{"a", ""}));
    EXPECT_EQ(SplitLines("\r\r\n\n"), (Strings{"", "", "\n"}));
    EXPECT_EQ(SplitLines(""), Strings{});
    EXPECT_EQ(SplitLines("\n\r\n"), (Strings{"\n"}));
    EXPECT_EQ(SplitLines(std::string("a\0b\r", 4)), (Strings{std::string("a\0b", 3)}));
}

TEST(SplitFields, EverySingleSpaceCuts) {
    EXPECT_EQ(SplitFields("DEL 5"), (Strings{"DEL", "5"}));
    EXPECT_EQ(SplitFields("DEL  5"), (Strings{"DEL", "", "5"}));
    EXPECT_EQ(SplitFields("DEL "), (Strings{"DEL", ""}));
    EXPECT_EQ(SplitFields(""), (Strings{""}));
    EXPECT_EQ(SplitFields("DEL\t5"), (Strings{"DEL\t5"}));
    EXPECT_EQ(SplitFields("EXT 1 \"a b\""), (Strings{"EXT", "1", "\"a", "b\""}));
}

TEST(Mnemonic, FirstThreeCharactersUpperCase) {
    EXPECT_EQ(script::Mnemonic("save"), "SAV");
    EXPECT_EQ(script::Mnemonic("x"), "X");
    EXPECT_EQ(script::Mnemonic(" del"), " DE");
    EXPECT_EQ(script::Mnemonic("\xe0\xf7\xff"), "\xc0\xf7\xff");  // Latin-1: division sign and y-diaeresis stay
    EXPECT_EQ(script::Mnemonic(""), "");
}

TEST(FileNameOf, BetweenFirstAndLastQuote) {
    auto n = FileNameOf("EXT 1 \"C:\\a \"b\" c.bin\" tail");
    EXPECT_TRUE(n.Found);
    EXPECT_TRUE(n.Terminated);
    EXPECT_EQ(n.Name, "C:\\a \"b\" c.bin");
    n = FileNameOf("EXT 1 \"open name ");
    EXPECT_TRUE(n.Found);
    EXPECT_FALSE(n.Terminated);
    EXPECT_EQ(n.Name, "open name ");
    EXPECT_FALSE(FileNameOf("EXT 1 x").Found);
    EXPECT_EQ(FileNameOf("SVA \"\"").Name, "");
    EXPECT_EQ(FileNameOf("SVA \"").Name, "");
}

TEST(LeadingNumber, ReadsTheLongestLeadingNumber) {
    EXPECT_EQ(LeadingNumber("12abc"), 12);
    EXPECT_EQ(LeadingNumber("-3.5x"), -3.5);
    EXPECT_EQ(LeadingNumber("+7"), 7);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("5."), 5);
    EXPECT_EQ(LeadingNumber("1e3"), 1000);
    EXPECT_EQ(LeadingNumber("1E+2x"), 100);
    EXPECT_EQ(LeadingNumber("25e-1"), 2.5);
    EXPECT_EQ(LeadingNumber("1e"), 1);
    EXPECT_EQ(LeadingNumber("1e+"), 1);
    EXPECT_EQ(LeadingNumber("&H1F"), 31);
    EXPECT_EQ(LeadingNumber("&hff;"), 255);
    EXPECT_EQ(LeadingNumber("&HFFFFFFFF"), 4294967295.0);
    EXPECT_EQ(LeadingNumber("&H"), 0);
    EXPECT_EQ(LeadingNumber("0x10"), 0);
    EXPECT_EQ(LeadingNumber("-&H10"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("."), 0);
    EXPECT_EQ(LeadingNumber(" 5"), 0);  // fields hold no spaces; a tab is not skipped either
    EXPECT_EQ(LeadingNumber("\t5"), 0);
    EXPECT_TRUE(std::isinf(LeadingNumber("1e400")));
    EXPECT_TRUE(std::isinf(LeadingNumber("-1e400")));
    EXPECT_EQ(LeadingNumber("1e-400"), 0);
    EXPECT_TRUE(std::isinf(LeadingNumber("&H" + std::string(300, 'F'))));
    EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
}

TEST(ReadNumbers, RoundHalvesToEven) {
    EXPECT_EQ(ReadInt32("2.5"), 2);
    EXPECT_EQ(ReadInt32("3.5"), 4);
    EXPECT_EQ(ReadInt32("-2.5"), -2);
    EXPECT_EQ(ReadInt32("-3.5"), -4);
    EXPECT_EQ(ReadInt32("0.5"), 0);
    EXPECT_EQ(ReadInt32("1.4999"), 1);
    EXPECT_EQ(ReadInt32("1.5001"), 2);
    EXPECT_EQ(ReadInt16("-0.4"), 0);
}

TEST(ReadNumbers, RangesOfTheirTypes) {
    EXPECT_EQ(ReadInt32("2147483647"), 2147483647);
    EXPECT_EQ(ReadInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ReadInt32("2147483646.5"), 2147483646);
    EXPECT_EQ(ReadInt16("32767"), 32767);
    EXPECT_EQ(ReadInt16("-32768.4"), -32768);
    EXPECT_EQ(ReadInt16("&H7FFF"), 32767);
    for (const char* field : {"2147483648", "2147483647.5", "-2147483649", "&HFFFFFFFF", "&H80000000", "1e10",
                              "1e400", "-1e400"}) {
        SCOPED_TRACE(field);
        const archive::Error e = testing_support::ErrorOf([&] { ReadInt32(field); });
        EXPECT_EQ(e.Number, script::kNumberOutOfRange);
        EXPECT_EQ(e.Description, std::string("Number out of range for a signed 32-bit value: ") + field);
    }
    for (const char* field : {"32768", "32767.5", "-32769", "&HFFFF"}) EXPECT_THROW(ReadInt16(field), archive::Error);
}

}  // namespace
