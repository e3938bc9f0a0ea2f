#include "script/recording.h"

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/load.h"
#include "script/script_fixture.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ToBytes;

std::string FileText(const std::string& path) {
    auto b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

class ScriptRecording : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::WriteBytes(archivePath, script_test::ThreeItemArchive());
        archive::LoadArchive(table, archivePath);
    }
    void Save(const std::string& name) { script::AppendSaveLine(table.RecordedScript, lastSaveLine, name); }
    testing_support::TempDir dir;
    std::string archivePath = dir.file("GAME.HQR");
    const std::string q = "\"" + archivePath + "\"";
    archive::ItemTable table;
    archive::OperationContext context{table};
    std::string lastSaveLine;
};

TEST_F(ScriptRecording, SaveLinesFollowTheOperations) {
    archive::ItemOperation(context, 2, archive::kOpRemoveItem, 0, "", 0);
    Save(archivePath);
    Save(archivePath);  // a cancelled dialog: still one save line
    const std::string script = dir.file("ops.ovs");
    EXPECT_EQ(script::WriteRecordedScript(table, script), "");
    EXPECT_EQ(FileText(script), "OPN " + q + "\r\nDEL 2\r\nSVA " + q + "\r\n");
    EXPECT_FALSE(table.RecordedScriptChanged);
    // An operation after a save keeps the older save line.
    archive::ItemOperation(context, 0, archive::kOpInsertBlank, 0, "", 0);
    EXPECT_TRUE(table.RecordedScriptChanged);
    Save(dir.file("caf\xE9.HQR"));  // Latin-1 bytes are written as they are
    EXPECT_EQ(table.RecordedScript,
              "OPN " + q + "\r\nDEL 2\r\nSVA " + q + "\r\nADB 0\r\nSVA \"" + dir.file("caf\xE9.HQR") + "\"\r\n");
}

TEST_F(ScriptRecording, AnExistingScriptIsBackedUpBesideIt) {
    const std::string script = dir.file("ops.ovs");
    testing_support::WriteBytes(script, ToBytes("old script\r\n"));
    Save(archivePath);
    const std::string backup = script::WriteRecordedScript(table, script);
    EXPECT_TRUE(std::regex_match(backup, std::regex(".*/ops\\.ovs\\.[0-9]{8}\\.BAK")));
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), dir.path());
    EXPECT_EQ(FileText(backup), "old script\r\n");
    EXPECT_EQ(FileText(script), table.RecordedScript);
    table.RecordedScriptChanged = true;  // a failed write keeps the flag
    EXPECT_THROW(script::WriteRecordedScript(table, dir.file("no/such/folder/x.ovs")), archive::Error);
    EXPECT_TRUE(table.RecordedScriptChanged);
}

}  // namespace
