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
using testing_support::ToBytes;
using Log = std::vector<std::string>;

const std::string kNoArchive =
    "Fatal Error: Trying to perform an item operation, when no archive has been created, or opened (Line #";
const std::string kNoEffect = "Warning: At least a part of the script has no effect";
const std::string kInvalid = "External Error: Invalid .HQR item number";

// A folder holding A.HQR (the three-item archive) and item.dat, and a window
// that has A.HQR open when `open`.
struct Host {
    explicit Host(bool open) {
        testing_support::WriteBytes(dir.file("A.HQR"), ThreeItemArchive());
        dir.write("item.dat", "xyz");
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
        {false, "", {kNoEffect}, nullptr},
        {false, "#\r\n #x\r\n", {kNoArchive + "2)"}, nullptr},  // only the first character makes a comment
        {false, "OPN \"$A.HQR\"\r\nEXT 1 \"$one.bin\"\r\nEXA 2 \"$two.bin\"", {kNoEffect},
         [](Host& h) {
             EXPECT_EQ(ReadBytes(h.dir.file("one.bin")), Bytes(6, 'B'));
             EXPECT_EQ(ReadBytes(h.dir.file("two.bin")), Bytes(2, 'C'));
         }},
        {false, "OPN \"$A.HQR\"\r\nNEW\r\nSAV\r\n", {},
         [](Host& h) { EXPECT_EQ(ReadBytes(h.dir.file("A.HQR")), (Bytes{4, 0, 0, 0})); }},
        {false, "NEW\r\nSAV\r\n", {"Error: SAV without having loaded a file first", kNoEffect}, nullptr},
        {false, "new\r\nSVA \"$N.HQR\"\r\nADD 0 0 \"$item.dat\"\r\nSAVE\r\n", {},
         [](Host& h) {
             EXPECT_TRUE(h.window.TakenNames.empty());  // the window has no archive to rename
             EXPECT_EQ(h.Reload("N.HQR")[0].Data, ToBytes("xyz"));
         }},
        // An overflowing number calls nothing, so the archive stays saved; a
        // failing operation does count as a change.
        {false, "OPN \"$A.HQR\"\r\nSAV\r\nDEL 1e10\r\nCMT 0 40000\r\n",
         {"External Error: Number out of range for a signed 32-bit value: 1e10",
          "External Error: Number out of range for a signed 16-bit value: 40000"}, nullptr},
        {false, "OPN \"$A.HQR\"\r\nSAV\r\nDEL 7\r\n", {kInvalid, kNoEffect}, nullptr},
        {false, "OPN\r\nOPN x.hqr\r\nOPN \"$none.hqr\"\r\nOPN \"$\"",
         {"Error: OPN - Required parameter missing (Line #1)", "Error: OPN without specified file name (Line #2)",
          "Error: OPN - File not found (Line #3)", "Error: OPN - File not found (Line #4)", kNoEffect}, nullptr},
        {true, "DEL 0\r\nNEW\r\nDEL 0\r\n",
         {"Fatal Error: Trying to create an archive with a script, when another archive is open (Line #2)"},
         [](Host& h) {
             EXPECT_EQ(h.table.ItemCount, 2);  // the first line was done
             EXPECT_EQ(h.window.Refreshes, 0);
         }},
        {true, "OPN \"$A.HQR\"\r\n",
         {"Fatal Error: Trying to open an archive with a script, when another archive is open (Line #1)"}, nullptr},
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
        {true, "DEL  2\r\n", {}, [](Host& h) { EXPECT_EQ(h.table[0].Data, Bytes(6, 'B')); }},  // "" reads as 0
        {true, "AMB 0 0\r\nAMP 0 1 0\r\nAMB 1 -5\r\nAMP 2 0 -1\r\nAMB 1 2\r\nAMP 0 4 2\r\n", {},
         [](Host& h) {
             ASSERT_EQ(h.table.ItemCount, 7);  // zero and negative counts change nothing
             EXPECT_TRUE(h.table[3].IsBlank);
             EXPECT_EQ(h.table[0].Data, Bytes(6, 'B'));  // AMP's target is field 2, its count field 3
         }},
        {true, "x\r\n   DEL 0\r\n DEL 0\r\n\tDEL 0\r\nfoo bar\r\n\r\nab \r\n\xe9t\xe9\r\n",
         {"Unknown identifier: X(Line #1)", "Unknown identifier:  DE(Line #3)", "Unknown identifier: \tDE(Line #4)",
          "Unknown identifier: FOO(Line #5)", "Unknown identifier: AB (Line #7)", "Unknown identifier: \xc9T\xc9(Line #8)"},
         [](Host& h) { EXPECT_EQ(h.table.ItemCount, 3); }},
        // SAV of the borrowed archive writes under the window's file name.
        {true, "delete 0\r\nDeL 0\r\nsave\r\n", {}, [](Host& h) { EXPECT_EQ(h.Reload("A.HQR")[0].Data, Bytes(2, 'C')); }},
        // CR alone ends a line, LF alone does not; every physical line counts.
        {true, "# c\rxx\nyy\r\n\r\nzz\r\n", {"Unknown identifier: XX\n(Line #2)", "Unknown identifier: ZZ(Line #4)"},
         nullptr},
        {true, "DEL 3\r\nRPP 9 0\r\nCMT 0 3\r\nADB -1\r\nDEL 0\r\n",
         {kInvalid, kInvalid, "External Error: Invalid compression type", kInvalid},
         [](Host& h) { EXPECT_EQ(h.table.ItemCount, 2); }},
        {true, "DEL 0\r\nSVA \"$R.HQR\"\r\nDEL 0\r\nSAV\r\n", {},
         [](Host& h) {
             EXPECT_EQ(h.window.TakenNames, Log{h.dir.file("R.HQR")});
             EXPECT_EQ(ReadBytes(h.dir.file("A.HQR")), ThreeItemArchive());
             EXPECT_EQ(h.Reload("R.HQR").ItemCount, 1);
         }},
        {true, "ADD 1 0 \"$item.dat\"\r\nRPL 0 0 \"$item.dat\"\r\n", {},
         [](Host& h) {
             EXPECT_EQ(h.table[1].Data, ToBytes("xyz"));
             EXPECT_EQ(h.table[1].Extension, "DAT");
             EXPECT_EQ(h.table[0].SourceFile, h.dir.file("item.dat"));
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
    EXPECT_EQ(host.table.ItemCount, 10);
}

TEST(RunScript, AMissingScriptFileIsOneLine) {
    Host host(false);
    Log log;
    script::RunEnvironment env(host.table, host.window, [&](const std::string& m) { log.push_back(m); });
    for (const std::string& path : {host.dir.file("none.ovs"), host.dir.path().string()}) {
        log.clear();
        EXPECT_EQ(script::RunScript(path, env).Errors, 1);
        EXPECT_EQ(log, Log{"External Error: File not found: \"" + path + "\""});
    }
    EXPECT_EQ(host.window.ListSettingsApplied, 0);
}

}  // namespace
