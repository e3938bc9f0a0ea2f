#include "script/recording.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/save.h"

namespace script {

namespace {

constexpr const char* kSource = "SaveScript";

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

void AppendSaveLine(std::string& recordedScript, std::string& lastSaveLine, const std::string& archiveFileName) {
    if (!lastSaveLine.empty() && recordedScript.size() >= lastSaveLine.size() &&
        recordedScript.compare(recordedScript.size() - lastSaveLine.size(), lastSaveLine.size(), lastSaveLine) == 0)
        recordedScript.resize(recordedScript.size() - lastSaveLine.size());
    lastSaveLine = "SVA \"" + archiveFileName + "\"\r\n";
    recordedScript += lastSaveLine;
}

std::string WriteRecordedScript(archive::ItemTable& table, const std::string& path) {
    std::string backup;
    if (Exists(path)) {
        // Beside the script, not in whatever folder the program runs in.
        std::size_t cut = path.find_last_of("/\\");
        std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        backup = folder + archive::BackupName(name);
        if (std::rename(path.c_str(), backup.c_str()) != 0)
            throw archive::Error(75, kSource,
                                 "Cannot rename '" + path + "' to '" + backup + "': " + std::strerror(errno));
    }
    const std::string& text = table.RecordedScript;
    archive::WriteToFile(path, archive::Bytes(text.begin(), text.end()), kSource);
    table.RecordedScriptChanged = false;
    return backup;
}

}  // namespace script
