#include "script/run_script.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/load.h"
#include "script/script_fixture.h"

namespace {

using script_test::ThreeItemArchive;
using testing_support::Bytes;
using testing_support::ReadBytes;
using Log = std::vector<std::string>;

const std::string kNoArchive =
    "Fatal Error: Trying to perform an item operation, when no archive has been created, or opened (Line #";
const std::string kNoEffect = "Warning: At least a part of the script has no effect";

// A folder holding A.HQR (the three-item archive), and a window
// that has A.HQR open when `open`.
struct Host {
    explicit Host(bool open) {
        testing_support::WriteBytes(dir.file("A.HQR"), ThreeItemArchive());
        if (!open) return;
        archive::LoadArchive(table, dir.file("A.HQR"));
        window.Open = true;
        window.FileName = dir.file("A.HQR");
    }
    // The script with every "$" replaced by the folder's path and a slash.
    script_test::Outcome Run(std::string text, std::int32_t maxItems = INT32_MAX / 4 - 1) {
        for (std::size_t at; (at = text.find('$')) != std::string::npos;) text.replace(at, 1, dir.path().string() + "/");
        script_test::Outcome out;
        script::RunEnvironment env(table, window, [&](const std::string& m) { out.Log.push_back(m); });
        env.MaxItemCount = maxItems;
        out.Summary = script::RunScriptText(text, env);
        return out;
    }
    archive::ItemTable Reload(const std::string& name) const {
        archive::ItemTable t;
        archive::LoadArchive(t, dir.file(name));
        return t;
    }
    testing_support::TempDir dir;
    archive::ItemTable table;
    script_test::FakeWindow window;
};

struct Case {
    bool open;
    std::string script;
    Log log;
    std::function<void(Host&)> check;
};

TEST(RunScript, LogsAndEffects) {
    const Case cases[] = {
        {false, "\r\nNEW\r\n", {kNoArchive + "1)"},
         [](Host& h) { EXPECT_EQ(h.window.ListSettingsApplied, 0); }},  // a fatal error skips the end
        {false, "# one\r\n#two\r\n#", {kNoEffect},
         [](Host& h) { EXPECT_EQ(h.window.ListSettingsApplied + h.window.Refreshes, 1); }},
        {false, "OPN\r\nOPN x.hqr\r\nOPN \"$none.hqr\"\r\nOPN \"$\"",
         {"Error: OPN - Required parameter missing (Line #1)", "Error: OPN without specified file name (Line #2)",
          "Error: OPN - File not found (Line #3)", "Error: OPN - File not found (Line #4)", kNoEffect}, nullptr},
        {true, "DEL 0\r\nNEW\r\nDEL 0\r\n",
         {"Fatal Error: Trying to create an archive with a script, when another archive is open (Line #2)"},
         [](Host& h) {
             EXPECT_EQ(h.table.ItemCount, 2);  // the first line was done
             EXPECT_EQ(h.window.Refreshes, 0);
         }},
        // The borrowed archive: no "no effect" warning, nothing recorded, the
        // file untouched until the script saves, the list refreshed at the end.
        {true, "DEL 1\r\nADB 0\r\n", {},
         [](Host& h) {
             EXPECT_TRUE(h.table[0].IsBlank);
             EXPECT_EQ(h.table[2].Data, Bytes(2, 'C'));
             EXPECT_EQ(h.table.RecordedScript, "OPN \"" + h.dir.file("A.HQR") + "\"\r\n");
             EXPECT_EQ(h.window.Refreshes, 1);
             EXPECT_EQ(h.window.ListSettingsApplied, 1);
             EXPECT_EQ(ReadBytes(h.dir.file("A.HQR")), ThreeItemArchive());
         }},
        {true, "ADD 0 1\r\nEXA 0\r\nEXT 0 x\r\nRPL 0 0 x\r\nSVA x\r\nADD 0 0 \"$none\"\r\nRPL 0 0 \"$\"",
         {"Error: ADD without specified file name (Line #1)", "Error: EXA without specified file name (Line #2)",
          "Error: EXT without specified file name (Line #3)", "Error: RPL without specified file name (Line #4)",
          "Error: SVA without specified file name (Line #5)", "Error: ADD - File not found (Line #6)",
          "Error: RPL - File not found (Line #7)"},
         [](Host& h) { EXPECT_EQ(h.table.ItemCount, 3); }},
        // Quotes between the first and the last belong to the name.
        {true, "EXT 1 \"$item one.bin\r\nEXA 0 \"$q\"uote\"", {"Warning: Terminating quotation mark missing (Line #1)"},
         [](Host& h) {
             EXPECT_EQ(ReadBytes(h.dir.file("item one.bin")), Bytes(6, 'B'));
             EXPECT_EQ(ReadBytes(h.dir.file("q\"uote")), Bytes(4, 'A'));
         }},
        {true, "x\r\n   DEL 0\r\n DEL 0\r\n\tDEL 0\r\nfoo bar\r\n\r\nab \r\n\xe9t\xe9\r\n",
         {"Unknown identifier: X(Line #1)", "Unknown identifier:  DE(Line #3)", "Unknown identifier: \tDE(Line #4)",
          "Unknown identifier: FOO(Line #5)", "Unknown identifier: AB (Line #7)", "Unknown identifier: \xc9T\xc9(Line #8)"},
         [](Host& h) { EXPECT_EQ(h.table.ItemCount, 3); }},
        // CR alone ends a line, LF alone does not; every physical line counts.
        {true, "# c\rxx\nyy\r\n\r\nzz\r\n", {"Unknown identifier: XX\n(Line #2)", "Unknown identifier: ZZ(Line #4)"},
         nullptr},
        {true, "DEL 0\r\nSVA \"$R.HQR\"\r\nDEL 0\r\nSAV\r\n", {},
         [](Host& h) {
             EXPECT_EQ(h.window.TakenNames, Log{h.dir.file("R.HQR")});
             EXPECT_EQ(ReadBytes(h.dir.file("A.HQR")), ThreeItemArchive());
             EXPECT_EQ(h.Reload("R.HQR").ItemCount, 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Host host(c.open);
        const auto out = host.Run(c.script);
        EXPECT_EQ(out.Log, c.log);
        if (c.check) c.check(host);
    }
}

// CMT compresses an item with the type it names; EXT writes its bytes
// decompressed, EXA as stored; SAV after OPN saves under the opened name.
TEST(RunScript, ExtractsAndSavesTheOpenedArchive) {
    Host host(false);
    testing_support::WriteBytes(host.dir.file("in"), Bytes(40, 'A'));
    const auto out = host.Run("OPN \"$A.HQR\"\r\nADD 0 2 \"$in\"\r\nCMT 0 1\r\nEXT 0 \"$t\"\r\nEXA 0 \"$a\"\r\nSAV\r\n");
    EXPECT_EQ(out.Log, Log{});
    EXPECT_EQ(ReadBytes(host.dir.file("t")), Bytes(40, 'A'));
    EXPECT_LT(ReadBytes(host.dir.file("a")).size(), 40u);
    const archive::ItemTable saved = host.Reload("A.HQR");
    EXPECT_EQ(saved.ItemCount, 4);
    EXPECT_EQ(saved[0].CompressionType, 1);
}

TEST(RunScript, RequiredParameterMessagesAndCounts) {
    Host host(true);
    const char* mnemonics[] = {"ADB", "ADD 0", "ADP 0", "AMB 0", "AMP 0 1", "CMT 0", "DEL",
                               "EXA", "EXT",   "RPB",   "RPL 0", "RPP 0",   "SVA"};
    std::string text;
    Log want;
    for (const char* m : mnemonics) {
        text += std::string(m) + "\r\n";
        want.push_back("Error: " + std::string(m, 3) + " - Required parameter missing (Line #" +
                       std::to_string(want.size() + 1) + ")");
    }
    const auto out = host.Run(text + "EXT 1 \"$x\r\n");
    want.push_back("Warning: Terminating quotation mark missing (Line #14)");
    EXPECT_EQ(out.Log, want);
    EXPECT_EQ(out.Summary.Errors, 13);
    EXPECT_EQ(out.Summary.Warnings, 1);
    EXPECT_EQ(host.table.ItemCount, 3);
    host.window.FileName.clear();
    EXPECT_EQ(host.Run("SAV\r\n").Log, Log{"Error: SAV without having loaded a file first"});
    const Log tooMany{"External Error: Too many items for one archive", "External Error: Too many items for one archive"};
    EXPECT_EQ(host.Run("AMB 0 7\r\nAMP 0 1 8\r\nADB 0\r\n", 10).Log, tooMany);
    // Every kind of error line counts: unknown, external, a missing parameter.
    EXPECT_EQ(host.Run("foo\r\nDEL 99\r\nDEL\r\n").Summary.Errors, 3);
    EXPECT_EQ(host.table.ItemCount, 10);
}

}  // namespace
