// Where the program keeps ORVANE.INI and ORVANE.VDB, and where its temporary
// files go. A copy of the program in a folder of its own (a build, a folder
// unpacked anywhere) keeps everything beside itself, so it can be carried
// around whole. An installed program, or one whose folder the user cannot
// write, keeps its settings in the user's configuration folder
// ($XDG_CONFIG_HOME/orvane/, by default ~/.config/orvane/) and its temporary
// files in a private temporary folder.
#pragma once

#include <string>

namespace shell {

// Installing puts this file into the program's folder: settings and
// temporary files then never go there, whoever runs the program.
inline constexpr const char* kInstalledMarkerFileName = "ORVANE.INSTALLED";

// What the choice depends on.
struct LocationFacts {
    std::string ProgramDirectory;         // ends in '/'
    bool ProgramDirectoryWritable = false;
    bool Installed = false;               // the marker file lies in ProgramDirectory
    std::string ConfigHome;               // $XDG_CONFIG_HOME, "" when unset
    std::string Home;                     // $HOME, "" when unset
};

struct FileLocations {
    std::string SettingsDirectory;        // ends in '/'
    bool PrivateTemporaryDirectory = false;  // else the temporary files go to ProgramDirectory
};

// A writable program folder without the marker keeps both. Otherwise the
// settings go to ConfigHome + "/orvane/" when ConfigHome is an absolute path,
// else to Home + "/.config/orvane/"; with neither (no home at all) they stay
// in the program folder, where saving them fails with a message at unload.
// The temporary files go to a private folder in both of these cases.
FileLocations ChooseFileLocations(const LocationFacts& facts);

// The facts of this process: archive::ProgramDirectory(), whether the user
// may create files there, the marker, $XDG_CONFIG_HOME and $HOME.
LocationFacts ProcessLocationFacts();

// ChooseFileLocations(ProcessLocationFacts()).SettingsDirectory.
std::string SettingsDirectory();

// The system's folder for temporary files: $TMPDIR when it names an absolute
// path, else /tmp. Private folders of this program are made below it.
std::string TemporaryRoot();

// Points archive::TemporaryDirectory() where `locations` says for the life
// of this object: the program folder, or a private folder made for this run
// ("orvane-" and six random characters below $TMPDIR or /tmp, readable only by
// the user), which goes with everything left in it when the object does. When
// no private folder can be made the program folder stays in use; writing a
// temporary file there then fails with that operation's message.
class TemporaryDirectoryScope {
public:
    explicit TemporaryDirectoryScope(const FileLocations& locations);
    ~TemporaryDirectoryScope();
    TemporaryDirectoryScope(const TemporaryDirectoryScope&) = delete;
    TemporaryDirectoryScope& operator=(const TemporaryDirectoryScope&) = delete;

private:
    std::string privateFolder_;  // empty when none was made
};

}  // namespace shell
