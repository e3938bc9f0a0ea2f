// orvane-cli run, driven as a user drives them: through the
// built program, its output (stdout and stderr together) and its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/load.h"
#include "script/script_fixture.h"

namespace {

using script_test::StoredArchive;
using script_test::ThreeItemArchive;
using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ToBytes;

class OrvaneCli : public ::testing::Test {
protected:
    // Writes the script text (every "$" the folder's path and a slash) and
    // returns "run 'script.ovs'".
    std::string Run(std::string text) {
        for (std::size_t at; (at = text.find('$')) != std::string::npos;) text.replace(at, 1, Q(""));
        testing_support::WriteBytes(Q("script.ovs"), ToBytes(text));
        return "run '" + Q("script.ovs") + "'";
    }
    std::string Q(const std::string& name) { return dir_.file(name); }
    testing_support::TempDir dir_;
};

TEST_F(OrvaneCli, RunPrintsTheLogAndFailsOnErrors) {
    const std::string noEffect = "Warning: At least a part of the script has no effect\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"NEW\r\nfoo\r\nDEL 0\r\n", 1, "Unknown identifier: FOO(Line #2)\nExternal Error: Invalid .HQR item number\n" + noEffect},
        {"# nothing\r\n", 0, noEffect},  // a warning alone is no failure
        {"DEL 0\r\n", 1,
         "Fatal Error: Trying to perform an item operation, when no archive has been created, or opened (Line #1)\n"},
        {"NEW\r\nADD 0 0 \"$item.dat\"\r\nSVA \"$N.HQR\"", 0, ""},
    };
    testing_support::WriteBytes(Q("item.dat"), ToBytes("payload"));
    for (const auto& [script, status, out] : cases) {
        const auto r = RunCli(Run(script));
        EXPECT_EQ(r.status, status) << script;
        EXPECT_EQ(r.out, out);
    }
    archive::ItemTable table;
    archive::LoadArchive(table, Q("N.HQR"));
    EXPECT_EQ(table[0].Data, ToBytes("payload"));
    const auto r = RunCli("run " + Q("missing.ovs"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "External Error: File not found: \"" + Q("missing.ovs") + "\"\n");
}

TEST_F(OrvaneCli, RunOnAnArchiveSavesUnderItsNameOrANewOne) {
    testing_support::WriteBytes(Q("A.HQR"), ThreeItemArchive());
    testing_support::WriteBytes(Q("B.HQR"), ThreeItemArchive());
    auto r = RunCli(Run("DEL 0\r\nSAV\r\n") + " --archive " + Q("A.HQR"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(Q("A.HQR")), StoredArchive({Bytes(6, 'B'), Bytes(2, 'C')}));
    r = RunCli(Run("DEL 2\r\nSVA \"$C.HQR\"\r\nDEL 0\r\nSAV\r\n") + " --archive=" + Q("B.HQR"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadBytes(Q("B.HQR")), ThreeItemArchive());
    EXPECT_EQ(ReadBytes(Q("C.HQR")), StoredArchive({Bytes(6, 'B')}));
    // With an archive open a script may not open another.
    EXPECT_EQ(RunCli(Run("OPN \"$C.HQR\"") + " --archive " + Q("B.HQR")).status, 1);
    // Unsaved changes are lost, and the program says so.
    r = RunCli(Run("DEL 0\r\n") + " --archive " + Q("B.HQR"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("was not saved"), std::string::npos);
    EXPECT_EQ(ReadBytes(Q("B.HQR")), ThreeItemArchive());
    r = RunCli(Run("SAV\r\n") + " --archive " + Q("none.HQR"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Specified file not found"), std::string::npos) << r.out;
    for (const char* args : {"run", "run a.ovs b.ovs", "run a.ovs --archive", "run a.ovs --archive=",
                             "run a.ovs --bogus", "compare A.HQR", "compare --xml A.HQR B.HQR"})
        EXPECT_EQ(RunCli(args).status, 2) << args;
    EXPECT_EQ(RunCli("run --help").status, 0);
}

}  // namespace
