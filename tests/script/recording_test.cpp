#include "script/recording.h"

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/load.h"
#include "archive/save.h"
#include "support/test_support.h"

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
        archivePath = dir.file("GAME.HQR");
        archive::ItemTable sample;
        archive::LoadArchive(sample, std::string(ORVANE_SOURCE_DIR) + "/samples/SAMPLE.HQR");
        archive::SaveArchive(sample, archivePath);
        archive::LoadArchive(table, archivePath);
    }
    testing_support::TempDir dir;
    std::string archivePath;
    archive::ItemTable table;
    std::string lastSaveLine;
};

TEST_F(ScriptRecording, OpenRemoveSave) {
    archive::OperationContext context(table);
    archive::ItemOperation(context, 3, archive::kOpRemoveItem, 0, "", 0);
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, archivePath);
    const std::string script = dir.file("ops.ovs");
    EXPECT_EQ(script::WriteRecordedScript(table, script), "");
    const std::string q = "\"" + archivePath + "\"";
    EXPECT_EQ(FileText(script), "OPN " + q + "\r\nDEL 3\r\nSVA " + q + "\r\n");
    EXPECT_FALSE(table.RecordedScriptChanged);
}

TEST_F(ScriptRecording, ACancelledSaveLeavesOneSaveLine) {
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, archivePath);
    // The dialog was cancelled; nothing recorded since.
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, archivePath);
    EXPECT_EQ(table.RecordedScript, "OPN \"" + archivePath + "\"\r\nSVA \"" + archivePath + "\"\r\n");
}

TEST_F(ScriptRecording, AnOperationAfterASaveKeepsTheOlderSaveLine) {
    archive::OperationContext context(table);
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, archivePath);
    script::WriteRecordedScript(table, dir.file("one.ovs"));
    archive::ItemOperation(context, 0, archive::kOpInsertBlank, 0, "", 0);
    EXPECT_TRUE(table.RecordedScriptChanged);
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, dir.file("NEWNAME.HQR"));
    const std::string q = "\"" + archivePath + "\"";
    EXPECT_EQ(table.RecordedScript, "OPN " + q + "\r\nSVA " + q + "\r\nADB 0\r\nSVA \"" + dir.file("NEWNAME.HQR") +
                                        "\"\r\n");
}

TEST_F(ScriptRecording, AddWithTypeOneIsRecordedAsAsked) {
    archive::OperationContext context(table);
    const std::string file = dir.file("add.bin");
    testing_support::WriteBytes(file, ToBytes("abc"));
    archive::ItemOperation(context, 2, archive::kOpAddItem, 1, file, 0);
    EXPECT_NE(table.RecordedScript.find("\r\nADD 2 1 \"" + file + "\"\r\n"), std::string::npos);
}

TEST_F(ScriptRecording, AnExistingScriptIsBackedUpBesideIt) {
    const std::string script = dir.file("ops.ovs");
    testing_support::WriteBytes(script, ToBytes("old script\r\n"));
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, archivePath);
    const std::string backup = script::WriteRecordedScript(table, script);
    EXPECT_TRUE(std::regex_match(backup, std::regex(".*/ops\\.ovs\\.[0-9]{8}\\.BAK")));
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), dir.path());
    EXPECT_EQ(FileText(backup), "old script\r\n");
    EXPECT_EQ(FileText(script), table.RecordedScript);
}

TEST_F(ScriptRecording, AFailedWriteKeepsTheChangedFlag) {
    table.RecordedScriptChanged = true;
    EXPECT_THROW(script::WriteRecordedScript(table, dir.file("no/such/folder/x.ovs")), archive::Error);
    EXPECT_TRUE(table.RecordedScriptChanged);
}

TEST_F(ScriptRecording, LatinOneBytesAreWrittenAsTheyAre) {
    std::string name = dir.file("caf\xE9.HQR");
    script::AppendSaveLine(table.RecordedScript, lastSaveLine, name);
    script::WriteRecordedScript(table, dir.file("l1.ovs"));
    EXPECT_NE(FileText(dir.file("l1.ovs")).find("caf\xE9.HQR\"\r\n"), std::string::npos);
}

}  // namespace
