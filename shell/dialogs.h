// The modal questions and file choices the desktop program asks, as one small
// interface. The windows call only this; the program passes the real dialogs,
// tests pass scripted answers, so no test ever waits on a modal window.
//
// Texts are the program's 8-bit (Latin-1) strings; paths are the file
// system's bytes, passed on unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class Answer { Ok, Cancel, Yes, No };

// One file dialog. Filter is in the "description|pattern;pattern|..." form
// the menus use ("All files (*.*)|*.*").
struct FileDialogRequest {
    std::string Title;
    std::string Filter;
    std::string InitialPath;
    bool OverwritePrompt = false;  // save dialogs: ask before replacing a file
    bool FileMustExist = false;    // open dialogs
    bool FolderMustExist = false;  // save dialogs: a path in a missing folder is refused in the dialog
    bool ExecutablesFirst = false; // the first filter shows only files the user may run (and folders)
};

// Why a save dialog refuses path when its folder must exist; empty when the
// folder is there.
std::string MissingFolderProblem(const std::string& path);

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box; the answer is the button pressed (Cancel when closed
    // through the frame of a box that has a Cancel button, No for Yes/No).
    virtual Answer Message(const std::string& text, const std::string& title, MessageIcon icon,
                           MessageButtons buttons) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) = 0;
    // Open and save file dialogs; nullopt when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // A folder browser titled `title`; the chosen folder with a trailing "/",
    // nullopt when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
};

// One entry of a filter string: its description and its patterns.
struct FileFilter {
    std::string Description;
    std::vector<std::string> Patterns;
};

// Splits "desc|pat;pat|desc|pat" into entries; a description without a
// pattern part is dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

// True when `name` (a file name without folder) matches the glob `pattern`
// ('*' and '?'), compared without regard to ASCII case; "*.*" matches every
// name, with or without a dot.
bool MatchesFilePattern(std::string_view pattern, std::string_view name);

}  // namespace shell
