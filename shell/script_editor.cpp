#include "shell/script_editor.h"

#include <filesystem>
#include <system_error>

#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/load.h"
#include "archive/save.h"

namespace shell {

namespace {

constexpr const char* kSource = "SaveScript";
constexpr int kFileError = 75;

[[noreturn]] void Fail(const std::string& what, const std::string& path, const std::error_code& error) {
    throw archive::Error(kFileError, kSource, "Cannot " + what + " '" + path + "': " + error.message());
}

}  // namespace

std::string ScriptFileBytes(std::string_view editorText) {
    std::string bytes;
    bytes.reserve(editorText.size() + editorText.size() / 16);
    for (std::size_t i = 0; i < editorText.size(); ++i) {
        const char c = editorText[i];
        if (c == '\r') {
            bytes += "\r\n";
            if (i + 1 < editorText.size() && editorText[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            bytes += "\r\n";
        } else {
            bytes += c;
        }
    }
    return bytes;
}

std::string ScriptEditorText(std::string_view fileBytes) {
    std::string text;
    text.reserve(fileBytes.size());
    for (std::size_t i = 0; i < fileBytes.size(); ++i) {
        const char c = fileBytes[i];
        if (c == '\r') {
            text += '\n';
            if (i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') ++i;
        } else {
            text += c;
        }
    }
    return text;
}

std::string WriteScriptFile(const std::string& path, std::string_view editorText) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const std::string name = target.filename().string();
    const fs::path folder = target.parent_path();
    const std::string fresh = (folder / ("." + name + ".new")).string();
    const std::string bytes = ScriptFileBytes(editorText);
    try {
        archive::WriteToFile(fresh, archive::Bytes(bytes.begin(), bytes.end()), kSource);
    } catch (const archive::Error&) {
        throw archive::Error(kFileError, kSource, "Cannot write file '" + path + "'");
    }

    std::error_code error;
    std::string backup;
    if (fs::exists(target, error)) {
        do {
            backup = (folder / archive::BackupName(name)).string();
        } while (fs::exists(backup, error));
        fs::rename(target, backup, error);
        if (error) {
            std::error_code ignored;
            fs::remove(fresh, ignored);
            Fail("move the old script to its backup name", path, error);
        }
    }
    fs::rename(fresh, target, error);
    if (error) {
        std::error_code ignored;
        if (!backup.empty()) fs::rename(backup, target, ignored);
        fs::remove(fresh, ignored);
        Fail("write file", path, error);
    }
    return backup;
}

std::string ScriptEditor::ScriptFileCaption() const {
    return path_.empty() ? "Script file:" : "Script file: " + path_;
}

bool ScriptEditor::QuerySave() {
    if (!modified_) return false;
    const std::string name = untitled_ ? "Untitled" : path_;
    const Answer answer = dialogs_.Message(
        "The file \"" + name + "\" has been modified.\r\nDo you want to save the changes?", kScriptEditorCaption,
        MessageIcon::Exclamation, MessageButtons::YesNoCancel);
    if (answer == Answer::Yes) return !Save();
    return answer != Answer::No;
}

bool ScriptEditor::Save() {
    if (untitled_) return SaveAs();
    try {
        WriteScriptFile(path_, text_());
    } catch (const archive::Error& e) {
        ShowError(e.Description);
        return false;
    }
    modified_ = false;
    return true;
}

bool ScriptEditor::SaveAs() {
    FileDialogRequest request;
    request.Filter = kScriptFileFilter;
    request.OverwritePrompt = true;
    request.InitialPath = path_;
    const std::optional<std::string> chosen = dialogs_.SaveFile(request);
    if (!chosen || chosen->empty()) return false;
    // The window takes the new name only once the file is written there.
    const std::string oldPath = path_;
    const bool oldUntitled = untitled_;
    path_ = *chosen;
    untitled_ = false;
    if (Save()) return true;
    path_ = oldPath;
    untitled_ = oldUntitled;
    return false;
}

ScriptEditor::Choice ScriptEditor::Choose() {
    Choice choice;
    if (QuerySave()) return choice;
    FileDialogRequest request;
    request.Filter = kScriptFileFilter;
    const std::optional<std::string> chosen = dialogs_.OpenFile(request);
    if (!chosen || chosen->empty()) return choice;
    std::error_code error;
    if (std::filesystem::exists(*chosen, error)) {
        archive::Bytes bytes;
        try {
            archive::ReadFromFile(*chosen, bytes);
        } catch (const archive::Error& e) {
            ShowError(e.Description);
            return choice;
        }
        choice.Text = ScriptEditorText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        modified_ = false;
    }
    path_ = *chosen;
    untitled_ = false;
    choice.Chosen = true;
    return choice;
}

std::optional<std::string> ScriptEditor::PathToRun() {
    if (QuerySave() || path_.empty()) return std::nullopt;
    return path_;
}

void ScriptEditor::ShowError(const std::string& description) {
    dialogs_.Message(description, kScriptEditorCaption, MessageIcon::Critical, MessageButtons::Ok);
}

}  // namespace shell
