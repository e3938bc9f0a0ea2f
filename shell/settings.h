// The program's persistent state between runs: the settings file ORVANE.INI
// (list options, compression-method choices, the ten most recent archives)
// and the viewer database ORVANE.VDB (item extension -> external program).
// Both are read once at start-up and written once when the main window goes;
// in between only the in-memory records below change.
//
// Texts are byte strings, stored and written unchanged (the files are 8-bit
// Latin-1 text); converting them for display is the window's business.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/compression_dispatch.h"

namespace shell {

// ----------------------------------------------------------- ORVANE.INI

inline constexpr const char* kSettingsFileName = "ORVANE.INI";
inline constexpr const char* kViewersFileName = "ORVANE.VDB";

constexpr int kRecentFileCount = 10;

// Full paths of recently used archives, most recent in slot 0; an empty string
// is an empty slot, and the used slots always form a prefix.
using RecentFileList = std::array<std::string, kRecentFileCount>;

// Zero-initialised like the process-wide record it models: a settings file
// that lacks a line leaves its field at false / 0 / empty.
struct Settings {
    bool ItemsIndexTarvoDeCOMP = false;  // number only normal items in the list
    bool GridLines = false;
    bool ColumnsReordering = false;
    bool RowsSelection = false;
    bool EnableCOptions = false;         // the options dialog's algorithm choices are enabled
    std::uint8_t CType1Algorithm = 0;    // encoder for compression type 1
    std::uint8_t CType2Algorithm = 0;    // encoder for compression type 2
    std::uint8_t DecAlgorithm = 0;       // decoder for both types
    bool EnableDragDrop = false;         // the item list starts drags and accepts dropped files
    RecentFileList RecentFiles;

    bool operator==(const Settings&) const = default;
};

// The settings of a program that has no ORVANE.INI yet: grid lines and
// whole-row selection on, the Tarvo methods (3, 2, 0), no recent files.
Settings DefaultSettings();

// Reads the text of a settings file. Values are recognised by line number
// alone (keys and section headers are never looked at), counting from 0:
//   1..4  ItemsIndexTarvoDeCOMP, GridLines, ColumnsReordering, RowsSelection:
//         true exactly when the line's last character is '1';
//   5     EnableCOptions by the same rule, except that an empty line 5 reads
//         as false and shifts every later line number up by one (a file
//         written before that line existed has its empty separator there);
//   6     EnableDragDrop by the rule of lines 1..4 (the empty separator of
//         older files reads as false);
//   8..10 CType1Algorithm, CType2Algorithm, DecAlgorithm: the value of the
//         line's last character if it is a digit, else 0 ("=12" gives 2);
//   13..  the recent files, slot 0 first, the whole line each; an empty line
//         fills no slot, and lines beyond the tenth path are ignored.
// Lines end in CR LF, or in CR or LF alone (a file edited on another system
// reads the same). Fields without a line keep their zero value.
Settings ParseSettings(std::string_view text);

// The exact bytes SaveSettings writes: the 13 fixed lines, then one line per
// used recent slot, every line ended by CR LF. Line 6 is empty unless
// EnableDragDrop is on ("EnableDragDrop=1"), so with the option off the file
// is the one readers that skip line 6 have always known. A recent path holding CR or LF
// is left out, since it could not be read back as one line.
std::string SettingsText(const Settings& settings);

// Reads the settings file at `path`: DefaultSettings() when no file exists
// there, ParseSettings of its bytes otherwise (so an existing but empty file
// gives all zero values). An existing file that cannot be read raises an
// archive::Error (kSettingsFileError, source "LoadSettings").
Settings LoadSettingsFile(const std::string& path);
// The same for SettingsDirectory() + fileName ("ORVANE.INI"): the program
// folder, or the user's configuration folder (shell/file_locations.h).
Settings LoadSettings(const std::string& fileName = kSettingsFileName);

// Replaces the file at `path` with SettingsText(settings), making its folder
// when missing. A file that cannot be written raises an archive::Error
// (kSettingsFileError, source "SaveSettings") whose text names the file, the
// reason and that the settings are not saved (an old file in a folder that
// cannot be written stays as it was).
void SaveSettingsFile(const Settings& settings, const std::string& path);
// The same for SettingsDirectory() + fileName.
void SaveSettings(const Settings& settings, const std::string& fileName = kSettingsFileName);

// The three method choices, as CompressFile and ExpandCompressedFile take them.
archive::MethodSettings MethodSettingsOf(const Settings& settings);

// Error number of a settings or viewer file that exists but cannot be read,
// or cannot be written.
constexpr int kSettingsFileError = 75;

// ---------------------------------------------------------- recent files

// The lowest slot whose path equals `path` exactly (case-sensitive), or -1.
int FindRecentFile(const RecentFileList& recent, std::string_view path);

// Puts `path` in slot 0. A path already listed moves up from its slot (the
// slots above it shift down by one); a new one pushes every slot down, and
// the path in slot 9 drops out. No path is ever listed twice.
void AddRecentFile(RecentFileList& recent, const std::string& path);

// Removes `path` if listed and closes the gap; slot 9 becomes empty.
void RemoveRecentFile(RecentFileList& recent, std::string_view path);

// What the "&Recent Files" submenu shows, so the window only draws it.
struct RecentFilesMenuEntry {
    bool Visible = false;  // visible and enabled together
    std::string Caption;   // "&" + slot number from 1 + " " + path, when visible
};

struct RecentFilesMenu {
    std::array<RecentFilesMenuEntry, kRecentFileCount> Entries;  // mnuRecentFile(0..9)
    bool SubmenuVisible = false;    // mnuRecentFiles: visible and enabled
    bool SeparatorVisible = false;  // mnuFileSep5, above "E&xit"
};

// The menu for `recent` (the window's RebuildRecentFilesMenu draws it):
// entry i shows slot i when it is used ("&1 " + path,
// ..., "&10 " + path); the submenu and the separator show when any entry does.
RecentFilesMenu RecentFilesMenuState(const RecentFileList& recent);

// ----------------------------------------------------------- ORVANE.VDB

constexpr std::size_t kViewerExtensionLength = 3;

// One external viewer: the program `Path` shows items whose extension is
// `Extension`, always exactly three characters (see FixedExtension).
struct ViewerEntry {
    std::string Extension;
    std::string Path;

    bool operator==(const ViewerEntry&) const = default;
};

// Viewer entries in insertion order (the order of the file); the count is
// the vector's size.
using Viewers = std::vector<ViewerEntry>;

// text cut to its first three characters or padded on the right with spaces.
std::string FixedExtension(std::string_view text);

// Layout, little-endian: a signed 32-bit count N, then N records of 3 bytes
// extension, an unsigned 16-bit path length L and L bytes of path, with no
// padding. An empty list is the 4-byte count 0.
std::string ViewersBytes(const Viewers& viewers);

// Reads a viewer database. A damaged one (a count above the records present,
// a negative count, a record cut short) gives the whole records that are
// there, in order, and ignores the rest; no count makes it allocate more than
// the bytes present.
Viewers ParseViewers(std::string_view bytes);

// Reads the database at `path`: an empty list when no file exists there.
// An existing file that cannot be read raises an archive::Error
// (kSettingsFileError, source "LoadViewers").
Viewers LoadViewersFile(const std::string& path);
// The same for SettingsDirectory() + fileName ("ORVANE.VDB").
Viewers LoadViewers(const std::string& fileName = kViewersFileName);

// Replaces the file at `path` with ViewersBytes(viewers). An archive::Error
// (kSettingsFileError, source "SaveViewers") when it cannot be written, or
// when a path is longer than the 65535 bytes a record can hold (the file is
// then left as it was).
void SaveViewersFile(const Viewers& viewers, const std::string& path);
void SaveViewers(const Viewers& viewers, const std::string& fileName = kViewersFileName);

// The first entry whose Extension equals `extension` exactly, or -1.
int FindViewerIndex(const Viewers& viewers, std::string_view extension);

// The program of the first entry whose extension equals `extension`, both
// compared in upper case, or "" when none does. Every stored Extension
// passed is upper-cased in place on the way. Since stored extensions have
// three characters, a shorter argument ("bl") never finds a viewer.
std::string ViewerForExtension(Viewers& viewers, std::string_view extension);

// Appends a viewer for the upper-cased, three-character form of `extension`
// and returns true, unless an entry for that form exists: then nothing
// changes (the entry keeps its program) and the result is false.
bool AddViewer(Viewers& viewers, std::string_view extension, const std::string& path);

// Drops the last entry, if any.
void RemoveLastViewer(Viewers& viewers);

// Upper case of single-byte Latin-1 text ("lun" -> "LUN", "é" -> "É").
std::string UpperCaseLatin1(std::string_view text);

}  // namespace shell
