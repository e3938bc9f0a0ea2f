// The script editor's state and commands without the window: which file the
// text belongs to, whether it changed, and what Save, Save As, choosing a
// file, Run and closing do with the user's answers. The window holds the
// text box and asks this class what to do.
//
// Editor text is Latin-1 with LF line breaks, as a text box holds it; script
// files are Latin-1 with CR LF line ends, whatever the editor uses inside.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "shell/dialogs.h"

namespace shell {

inline constexpr const char* kScriptEditorCaption = "Scripts editor";
inline constexpr const char* kScriptFileFilter = "Tarvo Resource Manager Scripts (*.ovs)|*.ovs|All files (*.*)|*.*";

// Editor text -> script file bytes: every line break becomes CR LF (a CR LF
// or a CR alone stays one line end). Nothing is added at the end.
std::string ScriptFileBytes(std::string_view editorText);

// Script file bytes -> editor text: CR LF and a CR alone (the line ends the
// runner knows) become LF. An LF alone is kept and so shows as a line break
// too; saving turns it into CR LF.
std::string ScriptEditorText(std::string_view fileBytes);

// Writes ScriptFileBytes(editorText) to path. The new file is written beside
// the old one first; only then does an existing file move to its BackupName
// in the same folder and the new one take its place. Any failure raises an
// archive::Error (75, source "SaveScript") naming the path, and the old file
// stays where it was. Returns the backup's path, "" when there was none.
std::string WriteScriptFile(const std::string& path, std::string_view editorText);

class ScriptEditor {
public:
    // text gives the editor's current text when a save needs it.
    ScriptEditor(Dialogs& dialogs, std::function<std::string()> text)
        : dialogs_(dialogs), text_(std::move(text)) {}

    const std::string& Path() const { return path_; }
    bool Untitled() const { return untitled_; }
    bool Modified() const { return modified_; }
    // "Script file:", or "Script file: " + path once there is one.
    std::string ScriptFileCaption() const;

    // Any change of the text.
    void TextChanged() { modified_ = true; }

    // Asks whether to save a modified text. True means "do not go on": the
    // user chose Cancel, or chose Yes and the save did not complete (a
    // cancelled Save As dialog or a failed write). False at once when the
    // text is unchanged.
    bool QuerySave();

    // Save: Save As while untitled, else writes the file. True once the file
    // is written; modified is cleared only then. A failed write shows one
    // message and keeps the text modified.
    bool Save();
    // Save As: the save dialog (asking before overwriting), then Save under
    // the chosen name. False when cancelled or when the save failed; the
    // path and untitled are then as they were.
    bool SaveAs();

    // Choose ("..."): QuerySave, then the open dialog. A chosen file becomes
    // the script path; when a file is there, its text is returned for the
    // editor and the window is neither untitled nor modified afterwards. A
    // typed name of a missing file only sets the path (Run then reports it).
    // nullopt when nothing is to be loaded.
    struct Choice {
        bool Chosen = false;
        std::optional<std::string> Text;
    };
    Choice Choose();

    // Run: QuerySave, then the path to run; nullopt when there is nothing to
    // run (cancelled, or no file chosen or saved yet).
    std::optional<std::string> PathToRun();

    // OK and the window's frame: true when the window may close.
    bool MayClose() { return !QuerySave(); }

private:
    void ShowError(const std::string& description);

    Dialogs& dialogs_;
    std::function<std::string()> text_;
    std::string path_;
    bool untitled_ = true;
    bool modified_ = false;
};

}  // namespace shell
