#include "shell/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "archive/error.h"
#include "shell/file_locations.h"

namespace shell {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kFirstRecentLine = 13;

// Splits text at CR LF, CR or LF. A last line without an ending still counts;
// the ending of the last line does not start another one.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool LastCharIsOne(std::string_view line) { return !line.empty() && line.back() == '1'; }

std::uint8_t LastDigit(std::string_view line) {
    if (line.empty() || line.back() < '0' || line.back() > '9') return 0;
    return static_cast<std::uint8_t>(line.back() - '0');
}

// True when `path` names something; an error while asking counts as "yes",
// so that the read that follows reports it rather than defaults hiding it.
bool Exists(const std::string& path) {
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    return exists || error;
}

std::string ReadWholeFile(const std::string& path, const char* source) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        throw archive::Error(kSettingsFileError, source, "Cannot read file '" + path + "'");
    }
    return bytes;
}

// Makes the folder (a first run's ~/.config/orvane/) when it is missing,
// deletes the old file, then writes the new one whole: a read-only old file
// in a writable folder is replaced like any other. `lost` says what the user
// loses when it fails.
void ReplaceFile(const std::string& path, const std::string& bytes, const char* source, const char* lost) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::filesystem::remove(path, ignored);
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    if (!out) {
        const std::string why = errno ? std::string(" (") + std::strerror(errno) + ")" : "";
        throw archive::Error(kSettingsFileError, source, "Cannot write file '" + path + "'" + why + ": " + lost);
    }
}

void AppendLine(std::string& text, std::string_view line) {
    text += line;
    text += kLineEnd;
}

const char* Flag(bool value) { return value ? "1" : "0"; }

void PutInt32(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

void PutUInt16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

std::uint32_t GetLE(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

// ----------------------------------------------------------- ORVANE.INI

Settings DefaultSettings() {
    Settings settings;
    settings.GridLines = true;
    settings.RowsSelection = true;
    settings.CType1Algorithm = 3;
    settings.CType2Algorithm = 2;
    settings.DecAlgorithm = 0;
    return settings;
}

Settings ParseSettings(std::string_view text) {
    Settings settings;
    int n = 0;
    std::size_t nextRecent = 0;
    for (std::string_view line : SplitLines(text)) {
        switch (n) {
            case 1: settings.ItemsIndexTarvoDeCOMP = LastCharIsOne(line); break;
            case 2: settings.GridLines = LastCharIsOne(line); break;
            case 3: settings.ColumnsReordering = LastCharIsOne(line); break;
            case 4: settings.RowsSelection = LastCharIsOne(line); break;
            case 5:
                settings.EnableCOptions = LastCharIsOne(line);
                // Files from before the EnableCOptions line have the empty
                // separator here; skipping a number puts the rest in place.
                if (line.empty()) ++n;
                break;
            case 6: settings.EnableDragDrop = LastCharIsOne(line); break;
            case 8: settings.CType1Algorithm = LastDigit(line); break;
            case 9: settings.CType2Algorithm = LastDigit(line); break;
            case 10: settings.DecAlgorithm = LastDigit(line); break;
            default:
                // Empty lines fill no recent slot, so the used slots stay a
                // prefix whatever blank lines a hand edit left between paths.
                if (n >= kFirstRecentLine && !line.empty() && nextRecent < settings.RecentFiles.size()) {
                    settings.RecentFiles[nextRecent++] = std::string(line);
                }
                break;
        }
        ++n;
    }
    return settings;
}

std::string SettingsText(const Settings& settings) {
    std::string text;
    AppendLine(text, "[General]");
    AppendLine(text, std::string("ItemsIndexTarvoDeCOMP=") + Flag(settings.ItemsIndexTarvoDeCOMP));
    AppendLine(text, std::string("GridLines=") + Flag(settings.GridLines));
    AppendLine(text, std::string("ColumnsReordering=") + Flag(settings.ColumnsReordering));
    AppendLine(text, std::string("RowsSelection=") + Flag(settings.RowsSelection));
    AppendLine(text, std::string("EnableCOptions=") + Flag(settings.EnableCOptions));
    AppendLine(text, settings.EnableDragDrop ? "EnableDragDrop=1" : "");
    AppendLine(text, "[Compression]");
    AppendLine(text, "CType1Algorithm=" + std::to_string(settings.CType1Algorithm));
    AppendLine(text, "CType2Algorithm=" + std::to_string(settings.CType2Algorithm));
    AppendLine(text, "DecAlgorithm=" + std::to_string(settings.DecAlgorithm));
    AppendLine(text, "");
    AppendLine(text, "[RecentFiles]");
    for (const std::string& path : settings.RecentFiles) {
        // A line break inside a path would split it into two bogus entries.
        if (!path.empty() && path.find_first_of("\r\n") == std::string::npos) AppendLine(text, path);
    }
    return text;
}

Settings LoadSettingsFile(const std::string& path) {
    if (!Exists(path)) return DefaultSettings();
    return ParseSettings(ReadWholeFile(path, "LoadSettings"));
}

Settings LoadSettings(const std::string& fileName) {
    return LoadSettingsFile(SettingsDirectory() + fileName);
}

void SaveSettingsFile(const Settings& settings, const std::string& path) {
    ReplaceFile(path, SettingsText(settings), "SaveSettings", "the settings of this run are not saved.");
}

void SaveSettings(const Settings& settings, const std::string& fileName) {
    SaveSettingsFile(settings, SettingsDirectory() + fileName);
}

archive::MethodSettings MethodSettingsOf(const Settings& settings) {
    archive::MethodSettings methods;
    methods.CType1Algorithm = settings.CType1Algorithm;
    methods.CType2Algorithm = settings.CType2Algorithm;
    methods.DecAlgorithm = settings.DecAlgorithm;
    return methods;
}

// ---------------------------------------------------------- recent files

int FindRecentFile(const RecentFileList& recent, std::string_view path) {
    for (std::size_t slot = 0; slot < recent.size(); ++slot) {
        if (recent[slot] == path) return static_cast<int>(slot);
    }
    return -1;
}

void AddRecentFile(RecentFileList& recent, const std::string& path) {
    const int found = FindRecentFile(recent, path);
    // Shift slots 0..last-1 down by one, over slot `last`: a listed path
    // leaves its own slot, a new one pushes slot 9 out.
    const std::size_t last = found < 0 ? recent.size() - 1 : static_cast<std::size_t>(found);
    std::move_backward(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(last),
                       recent.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    recent[0] = path;
}

void RemoveRecentFile(RecentFileList& recent, std::string_view path) {
    const int found = FindRecentFile(recent, path);
    if (found < 0) return;
    std::move(recent.begin() + found + 1, recent.end(), recent.begin() + found);
    recent.back().clear();
}

RecentFilesMenu RecentFilesMenuState(const RecentFileList& recent) {
    RecentFilesMenu menu;
    bool anyShown = false;
    for (std::size_t i = 0; i < recent.size(); ++i) {
        if (recent[i].empty()) continue;
        menu.Entries[i].Visible = true;
        menu.Entries[i].Caption.append("&").append(std::to_string(i + 1)).append(" ").append(recent[i]);
        anyShown = true;
    }
    menu.SubmenuVisible = anyShown;
    menu.SeparatorVisible = anyShown;
    return menu;
}

// ----------------------------------------------------------- ORVANE.VDB

std::string FixedExtension(std::string_view text) {
    std::string fixed(text.substr(0, kViewerExtensionLength));
    fixed.resize(kViewerExtensionLength, ' ');
    return fixed;
}

std::string ViewersBytes(const Viewers& viewers) {
    std::string bytes;
    PutInt32(bytes, static_cast<std::int32_t>(viewers.size()));
    for (const ViewerEntry& viewer : viewers) {
        bytes += FixedExtension(viewer.Extension);
        PutUInt16(bytes, static_cast<std::uint16_t>(viewer.Path.size()));
        bytes += viewer.Path;
    }
    return bytes;
}

Viewers ParseViewers(std::string_view bytes) {
    Viewers viewers;
    if (bytes.size() < 4) return viewers;
    const auto count = static_cast<std::int32_t>(GetLE(bytes, 0, 4));
    std::size_t at = 4;
    // Records are read while whole ones remain, so neither a huge count nor a
    // cut-off record can make the list larger than the file.
    for (std::int32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < kViewerExtensionLength + 2) break;
        const std::size_t length = GetLE(bytes, at + kViewerExtensionLength, 2);
        const std::size_t pathStart = at + kViewerExtensionLength + 2;
        if (bytes.size() - pathStart < length) break;
        viewers.push_back({std::string(bytes.substr(at, kViewerExtensionLength)),
                           std::string(bytes.substr(pathStart, length))});
        at = pathStart + length;
    }
    return viewers;
}

Viewers LoadViewersFile(const std::string& path) {
    if (!Exists(path)) return {};
    return ParseViewers(ReadWholeFile(path, "LoadViewers"));
}

Viewers LoadViewers(const std::string& fileName) { return LoadViewersFile(SettingsDirectory() + fileName); }

void SaveViewersFile(const Viewers& viewers, const std::string& path) {
    for (const ViewerEntry& viewer : viewers) {
        if (viewer.Path.size() > 0xFFFF) {
            throw archive::Error(kSettingsFileError, "SaveViewers",
                                 "Viewer program path too long for '" + FixedExtension(viewer.Extension) + "'");
        }
    }
    ReplaceFile(path, ViewersBytes(viewers), "SaveViewers", "the viewer list of this run is not saved.");
}

void SaveViewers(const Viewers& viewers, const std::string& fileName) {
    SaveViewersFile(viewers, SettingsDirectory() + fileName);
}

int FindViewerIndex(const Viewers& viewers, std::string_view extension) {
    for (std::size_t i = 0; i < viewers.size(); ++i) {
        if (viewers[i].Extension == extension) return static_cast<int>(i);
    }
    return -1;
}

std::string ViewerForExtension(Viewers& viewers, std::string_view extension) {
    const std::string wanted = UpperCaseLatin1(extension);
    for (ViewerEntry& viewer : viewers) {
        viewer.Extension = UpperCaseLatin1(viewer.Extension);
        if (viewer.Extension == wanted) return viewer.Path;
    }
    return {};
}

bool AddViewer(Viewers& viewers, std::string_view extension, const std::string& path) {
    // Looked up in the stored form: "LUNX" or "bl" would otherwise never match
    // their entry and be added again and again.
    std::string fixed = FixedExtension(UpperCaseLatin1(extension));
    if (FindViewerIndex(viewers, fixed) >= 0) return false;
    viewers.push_back({std::move(fixed), path});
    return true;
}

void RemoveLastViewer(Viewers& viewers) {
    if (!viewers.empty()) viewers.pop_back();
}

std::string UpperCaseLatin1(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        const auto u = static_cast<unsigned char>(c);
        // a-z, and the Latin-1 small letters à..þ except the division sign.
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) c = static_cast<char>(u - 0x20);
    }
    return upper;
}

}  // namespace shell
