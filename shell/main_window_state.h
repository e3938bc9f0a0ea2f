// The main window as data: its texts, the commands of its tool bar, and what
// it enables and shows in each display state. The window only draws what
// these functions give, so every state follows from (open?, item count) in
// one place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"

namespace shell {

// ---------------------------------------------------------------- texts

inline constexpr const char* kProgramCaption = "Tarvo Resource Manager";
inline constexpr const char* kVersionText = "Version 4.0.0";
inline constexpr const char* kNoticeCaption = "Under Construction";
inline constexpr const char* kUntitledName = "Untitled";
inline constexpr const char* kNoFileStatus = "There is no file currently open.";
inline constexpr const char* kOpenFileStatus = "Current open file: ";

inline constexpr const char* kOpenArchiveFilter =
    "Tarvo Archives (*.hqr;*.vox;*.ile;*.obl;*.hqs)|*.hqr;*.vox;*.ile;*.obl;*.hqs|All files (*.*)|*.*";
inline constexpr const char* kSaveArchiveFilter =
    "Tarvo Archives (*.hqr;*.vox;*.ile;*.obl)|*.hqr;*.vox;*.ile;*.obl|All files (*.*)|*.*";
inline constexpr const char* kExtractFilter = "All files (*.*)|*.*";
inline constexpr const char* kScriptFilter = "Tarvo Resource Manager Scripts (*.ovs)|*.ovs|All files (*.*)|*.*";

inline constexpr const char* kSelectFolderTitle = "Select a Folder";
inline constexpr const char* kFindBySizeTitle = "Find by decompressed size";
inline constexpr const char* kFindBySizePrompt =
    "Enter the decompressed size of the item you want to find in the box below:";
inline constexpr const char* kFindByIndexTitle = "Find by index";
inline constexpr const char* kFindByIndexPrompt =
    "Enter the index of the item you want to find (counting from 0) in the box below:";
inline constexpr const char* kScriptSaveQuestion =
    "Do you want to save the current set of .HQR item operations into a script?";

// The question before a modified archive is abandoned: "The file "<name>"
// has been modified." CR LF "Do you want to save the changes?", naming
// "Untitled" for an archive that has no file yet.
std::string QuerySaveQuestion(bool isUntitled, const std::string& fileName);

// What a search by decompressed size says when no item has that size.
std::string NoItemOfSizeText(std::int32_t size);

// The archive named on the command line: the program's arguments joined by
// single spaces (one argument is the path as it stands); "" for none.
std::string CommandLineArchive(const std::vector<std::string>& arguments);

// ------------------------------------------------------------- commands

enum class Command {
    None,  // a button bound to nothing ("Edit replacement...")
    New, Open, Save, Refresh, Extract, ExtractAsIs, Replace, Add, Remove, Decompress, CompressLZSS,
    CompressLZMIT, HexView, HexViewAsIs, FindByDecSize, FindByIndex, Compare, RunScript, About,
};

// The tool bar has buttons at indices 1..30; the indices between groups are
// separators.
constexpr int kToolBarSize = 30;

struct ToolButton {
    int Index;
    const char* Tip;
    const char* Description;  // shown in the status bar while pointed at
    Command Runs;
};

inline constexpr std::array<ToolButton, 20> kToolButtons = {{
    {1, "New .HQR archive", "Makes a new .HQR archive.", Command::New},
    {3, "Open...", "Opens an existing .HQR archive.", Command::Open},
    {4, "Save", "Saves the current .HQR archive.", Command::Save},
    {6, "Refresh", "Re-loads the current .HQR archive.", Command::Refresh},
    {8, "Extract...", "Extract the currently selected item from the .HQR archive.", Command::Extract},
    {9, "Extract item without de-compression...",
     "Extract the currently selected item from the .HQR archive, without de-compressing it.", Command::ExtractAsIs},
    {11, "Replace...",
     "Replaces the current item with the contents of a file, a pointer to another item, or a blank item.",
     Command::Replace},
    {12, "Edit replacement...", "Edits the replacement of the current item, if one has been specified.",
     Command::None},
    {14, "Add item...", "Adds a new item to the currently selected location of the current .HQR file.",
     Command::Add},
    {15, "Remove item", "Removes the currently selected item of the current .HQR file.", Command::Remove},
    {17, "Decompress item", "Decompresses the currently selected item inside the .HQR archive.", Command::Decompress},
    {18, "Compress item to type 1",
     "Compresses the currently selected item to compression type 1 in the .HQR archive.", Command::CompressLZSS},
    {19, "Compress item to type 2",
     "Compresses the currently selected item to compression type 2 in the .HQR archive.", Command::CompressLZMIT},
    {21, "Hex-view item...", "Hex-views the currently selected item.", Command::HexView},
    {22, "Hex-view item without de-compression...", "Hex-views the currently selected item, without de-compressing it.",
     Command::HexViewAsIs},
    {24, "Find by decompressed size...", "Finds an item in teh current .HQR file, by its decompressed size.",
     Command::FindByDecSize},
    {25, "Find by index...", "Finds an item in teh current .HQR file, by its index.", Command::FindByIndex},
    {27, "Compare two .HQR archives...", "Compares two .HQR archives.", Command::Compare},
    {28, "Run script...", "Runs a script.", Command::RunScript},
    {30, "About Tarvo Resource Manager...", "Shows information about Tarvo Resource Manager.", Command::About},
}};

// ------------------------------------------------------- display states

enum class DisplayState { NoArchive, ArchiveOpen, EmptyArchive };

// NoArchive while nothing is open; EmptyArchive for an open archive without
// items; ArchiveOpen otherwise.
DisplayState DisplayStateOf(bool isArchiveOpen, std::int32_t itemCount);

// Everything the display state decides. A menu that is disabled disables its
// entries (and their shortcuts) with it.
struct MainWindowLook {
    DisplayState State = DisplayState::NoArchive;
    bool FileCommands = false;      // mnuSave, mnuSaveAs, mnuClose, mnuRefresh
    bool EditEnabled = false;       // mnuEdit
    bool EditVisible = false;
    bool ItemEnabled = false;       // mnuItem
    bool ItemVisible = false;
    bool ItemOnItemCommands = false;  // mnuExtract, mnuExtractAsIs, mnuReplace, mnuRemove, mnuRemoveMultipleItems
    std::array<bool, kToolBarSize + 1> ButtonEnabled{};  // by button index 1..30
    std::string Caption;
    std::string Status;
};

// The look for the window's state. fileName is shown in the caption and the
// status bar while an archive is open; an archive without a file yet shows
// as "Untitled".
MainWindowLook LookOf(bool isArchiveOpen, std::int32_t itemCount, bool isUntitled, const std::string& fileName);

// ---------------------------------------------------------------- search

// The first item after `lastHit` whose DecompressedSize equals size, going on
// from item 0 when none follows (lastHit -1 searches from item 0); -1 when no
// item has that size.
std::int32_t FindItemBySize(const archive::ItemTable& table, std::int32_t size, std::int32_t lastHit);

}  // namespace shell
