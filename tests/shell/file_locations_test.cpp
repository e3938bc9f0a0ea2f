#include "shell/file_locations.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/error.h"
#include "archive/program_directory.h"
#include "shell/settings.h"
#include "support/test_support.h"

namespace {

using shell::LocationFacts;

TEST(FileLocations, PortableUnlessInstalledOrReadOnly) {
    struct Row {
        bool writable, installed;
        const char *configHome, *home, *settings;
        bool privateTemp;
    };
    const Row rows[] = {
        {true, false, "/cfg", "/home/u", "/opt/orvane/", false},  // a portable copy keeps everything
        {false, false, "/cfg", "/home/u", "/cfg/orvane/", true},
        {true, true, "/cfg/", "/home/u", "/cfg/orvane/", true},   // installed, even where root may write
        {false, false, "", "/home/u", "/home/u/.config/orvane/", true},
        {false, false, "relative/cfg", "/home/u/", "/home/u/.config/orvane/", true},  // not absolute: ignored
        {false, false, "", "", "/opt/orvane/", true},              // nowhere else: saving reports it
    };
    for (const Row& row : rows) {
        const LocationFacts facts{"/opt/orvane/", row.writable, row.installed, row.configHome, row.home};
        const shell::FileLocations got = shell::ChooseFileLocations(facts);
        SCOPED_TRACE(std::string(row.configHome) + " | " + row.home);
        EXPECT_EQ(got.SettingsDirectory, row.settings);
        EXPECT_EQ(got.PrivateTemporaryDirectory, row.privateTemp);
    }
}

TEST(FileLocations, PrivateTemporaryFolderLivesAsLongAsItsScope) {
    std::string folder;
    {
        const shell::TemporaryDirectoryScope scope({"/unused/", true});
        folder = archive::TemporaryDirectory();
        EXPECT_NE(folder, archive::ProgramDirectory());
        EXPECT_EQ((std::filesystem::status(folder).permissions() & std::filesystem::perms::all),
                  std::filesystem::perms::owner_all);
        testing_support::WriteBytes(folder + "DUMMY.LUN", {1, 2, 3});  // left behind by a viewer
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(archive::TemporaryDirectory(), archive::ProgramDirectory());
}

TEST(FileLocations, SettingsSavedIntoAFolderMadeOnTheWayOrReportedAsLost) {
    testing_support::TempDir dir;
    shell::SaveSettingsFile(shell::DefaultSettings(), dir.file("config/orvane/ORVANE.INI"));
    EXPECT_EQ(shell::LoadSettingsFile(dir.file("config/orvane/ORVANE.INI")), shell::DefaultSettings());
    const std::string blocked = dir.write("file", "x") + "/orvane/ORVANE.VDB";
    try {
        shell::SaveViewersFile({}, blocked);
        ADD_FAILURE() << "no error";
    } catch (const archive::Error& error) {
        EXPECT_EQ(error.Description, "Cannot write file '" + blocked + "' (Not a directory): the viewer list of this run "
                                     "is not saved.");
    }
}

}  // namespace
