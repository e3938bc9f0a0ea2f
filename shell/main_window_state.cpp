#include "shell/main_window_state.h"

namespace shell {

std::string QuerySaveQuestion(bool isUntitled, const std::string& fileName) {
    return "The file \"" + (isUntitled ? std::string(kUntitledName) : fileName) + "\" has been modified.\r\n" +
           "Do you want to save the changes?";
}

std::string NoItemOfSizeText(std::int32_t size) {
    return "No item of decompressed size " + std::to_string(size) + " was found.";
}

std::string CommandLineArchive(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) line += ' ';
        line += arguments[i];
    }
    return line;
}

DisplayState DisplayStateOf(bool isArchiveOpen, std::int32_t itemCount) {
    if (!isArchiveOpen) return DisplayState::NoArchive;
    return itemCount > 0 ? DisplayState::ArchiveOpen : DisplayState::EmptyArchive;
}

MainWindowLook LookOf(bool isArchiveOpen, std::int32_t itemCount, bool isUntitled, const std::string& fileName) {
    MainWindowLook look;
    look.State = DisplayStateOf(isArchiveOpen, itemCount);
    for (const ToolButton& button : kToolButtons) look.ButtonEnabled[button.Index] = true;
    if (look.State == DisplayState::NoArchive) {
        for (int i = 4; i <= 25; ++i) look.ButtonEnabled[i] = false;
        look.Caption = kProgramCaption;
        look.Status = kNoFileStatus;
        return look;
    }
    const std::string name = isUntitled ? std::string(kUntitledName) : fileName;
    look.Caption = std::string(kProgramCaption) + " - [" + name + "]";
    look.Status = kOpenFileStatus + name;
    look.FileCommands = true;
    look.ItemEnabled = look.ItemVisible = true;
    const bool empty = look.State == DisplayState::EmptyArchive;
    look.EditEnabled = look.EditVisible = !empty;
    look.ItemOnItemCommands = !empty;
    if (empty)
        for (int i = 8; i <= 22; ++i) look.ButtonEnabled[i] = i == 14;
    return look;
}

std::int32_t FindItemBySize(const archive::ItemTable& table, std::int32_t size, std::int32_t lastHit) {
    const std::int32_t count = table.ItemCount;
    if (count <= 0) return -1;
    std::int32_t start = lastHit >= 0 && lastHit < count ? lastHit + 1 : 0;
    for (std::int32_t step = 0; step < count; ++step) {
        std::int32_t item = (start + step) % count;
        if (table[item].DecompressedSize == size) return item;
    }
    return -1;
}

}  // namespace shell
