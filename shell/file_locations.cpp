#include "shell/file_locations.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "archive/program_directory.h"

namespace shell {

namespace {
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
}  // namespace

FileLocations ChooseFileLocations(const LocationFacts& facts) {
    if (facts.ProgramDirectoryWritable && !facts.Installed) return {facts.ProgramDirectory, false};
    std::string config;
    if (!facts.ConfigHome.empty() && facts.ConfigHome.front() == '/') {
        config = facts.ConfigHome;
    } else if (!facts.Home.empty()) {
        config = facts.Home + (facts.Home.back() == '/' ? "" : "/") + ".config";
    } else {
        return {facts.ProgramDirectory, true};
    }
    return {config + (config.back() == '/' ? "" : "/") + "orvane/", true};
}

LocationFacts ProcessLocationFacts() {
    LocationFacts facts;
    facts.ProgramDirectory = archive::ProgramDirectory();
    facts.ProgramDirectoryWritable = ::access(facts.ProgramDirectory.c_str(), W_OK | X_OK) == 0;
    std::error_code error;
    facts.Installed = std::filesystem::exists(facts.ProgramDirectory + kInstalledMarkerFileName, error);
    facts.ConfigHome = Environment("XDG_CONFIG_HOME");
    facts.Home = Environment("HOME");
    return facts;
}

std::string SettingsDirectory() { return ChooseFileLocations(ProcessLocationFacts()).SettingsDirectory; }

std::string TemporaryRoot() {
    std::string root = Environment("TMPDIR");
    if (root.empty() || root.front() != '/') return "/tmp";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

TemporaryDirectoryScope::TemporaryDirectoryScope(const FileLocations& locations) {
    archive::SetTemporaryDirectory("");
    if (!locations.PrivateTemporaryDirectory) return;
    const std::string root = TemporaryRoot();
    std::string pattern = root + (root == "/" ? "" : "/") + "orvane-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;
    privateFolder_ = pattern;
    archive::SetTemporaryDirectory(privateFolder_);
}

TemporaryDirectoryScope::~TemporaryDirectoryScope() {
    if (privateFolder_.empty()) return;
    archive::SetTemporaryDirectory("");
    std::error_code ignored;
    std::filesystem::remove_all(privateFolder_, ignored);
}

}  // namespace shell
