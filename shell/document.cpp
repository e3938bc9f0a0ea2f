#include "shell/document.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "archive/error.h"
#include "archive/load.h"
#include "archive/save.h"
#include "hexedit/write_back.h"
#include "script/recording.h"
#include "shell/main_window_state.h"

namespace shell {

namespace {

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// ClosingArchive holds while a command that abandons the archive runs, and
// is false again on every way out of it.
class ClosingScope {
public:
    explicit ClosingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~ClosingScope() { flag_ = false; }
    ClosingScope(const ClosingScope&) = delete;
    ClosingScope& operator=(const ClosingScope&) = delete;

private:
    bool& flag_;
};

std::string ItemName(std::int32_t item) { return "item " + std::to_string(item); }

// The name an item command's undo step carries ("Remove item 5").
std::string OperationName(const archive::ItemTable& table, std::int32_t item, std::uint8_t code, std::int32_t number,
                          std::int32_t count) {
    const std::string n = std::to_string(number);
    switch (code) {
    case archive::kOpAddItem: return "Add " + ItemName(item);
    case archive::kOpRemoveItem: return "Remove " + ItemName(item);
    case archive::kOpChangeCompression:
        return number == 0 ? "De-compress " + ItemName(item) : "Compress " + ItemName(item) + " to type " + n;
    case archive::kOpChangeItemType: {
        const bool blank = item >= 0 && item < table.ItemCount && table[item].IsBlank;
        return (blank ? "Make " : "Blank ") + ItemName(item) + (blank ? " normal" : "");
    }
    case archive::kOpReplaceItem: return "Replace " + ItemName(item);
    case archive::kOpItemToFromPointer:
        return number == item ? "Make " + ItemName(item) + " normal"
                              : "Make " + ItemName(item) + " a pointer to item " + n;
    case archive::kOpInsertBlank: return "Add blank " + ItemName(item);
    case archive::kOpAddPointer: return "Add pointer " + ItemName(item);
    case archive::kOpRemoveMarked: return "Remove multiple items";
    case archive::kOpAddMultiplePointers: return "Add " + std::to_string(count) + " pointers at " + ItemName(item);
    case archive::kOpAddMultipleBlanks: return "Add " + n + " blank items at " + ItemName(item);
    default: return "Item operation";
    }
}

}  // namespace

ArchiveDocument::ArchiveDocument(Dialogs& dialogs, RecentFileList& recent,
                                 std::function<archive::MethodSettings()> methods)
    : dialogs_(dialogs), recent_(recent), methods_(std::move(methods)) {}

std::string ArchiveDocument::Caption() const {
    return LookOf(open_, table_.ItemCount, untitled_, fileName_).Caption;
}

void ArchiveDocument::ShowError(const std::string& description) {
    dialogs_.Message(description, Caption(), MessageIcon::Critical, MessageButtons::Ok);
}

void ArchiveDocument::StateChanged() {
    if (view_.StateChanged) view_.StateChanged();
}

void ArchiveDocument::Notify(std::int32_t row) {
    // A copy: an editor told may close and leave the list.
    for (DocumentEditor* editor : std::vector<DocumentEditor*>(editors_))
        if (std::find(editors_.begin(), editors_.end(), editor) != editors_.end()) editor->TableChanged();
    if (view_.TableChanged) view_.TableChanged(row);
    StateChanged();
}

// ------------------------------------------------------------ questions

bool ArchiveDocument::QuerySave() {
    if (!IsModified()) return false;
    switch (dialogs_.Message(QuerySaveQuestion(untitled_, fileName_), Caption(), MessageIcon::Question,
                             MessageButtons::YesNoCancel)) {
    case Answer::Yes: return !Save();
    case Answer::No: return false;
    default: return true;
    }
}

bool ArchiveDocument::ScriptQuerySave(bool closing) {
    if (!closing || !table_.RecordedScriptChanged) return false;
    switch (dialogs_.Message(kScriptSaveQuestion, Caption(), MessageIcon::Question, MessageButtons::YesNoCancel)) {
    case Answer::Yes: return !SaveScript();
    case Answer::No: return false;
    default: return true;
    }
}

bool ArchiveDocument::SaveScript() {
    script::AppendSaveLine(table_.RecordedScript, lastSaveLine_, fileName_);
    const auto path = dialogs_.SaveFile({"Save Script", kScriptFilter, "", true, false});
    if (!path) return false;
    try {
        script::WriteRecordedScript(table_, *path);
    } catch (const archive::Error& error) {
        ShowError(error.Description);
        return false;
    }
    return true;
}

bool ArchiveDocument::AskEditors() {
    for (DocumentEditor* editor : std::vector<DocumentEditor*>(editors_))
        if (std::find(editors_.begin(), editors_.end(), editor) != editors_.end() && !editor->QueryClose())
            return false;
    return true;
}

void ArchiveDocument::CloseEditors() {
    while (!editors_.empty()) {
        DocumentEditor* editor = editors_.back();
        editors_.pop_back();
        editor->CloseWithArchive();
    }
}

bool ArchiveDocument::MayDropArchive() { return AskEditors() && !QuerySave(); }

// ------------------------------------------------------------- commands

void ArchiveDocument::Replaced(bool open, const std::string& fileName, bool untitled) {
    CloseEditors();
    ClearHistory();
    open_ = open;
    fileName_ = fileName;
    untitled_ = untitled;
    if (view_.ArchiveReplaced) view_.ArchiveReplaced();
    StateChanged();
}

bool ArchiveDocument::Load(const std::string& path, bool addRecent) {
    try {
        archive::LoadArchive(table_, path);
    } catch (const archive::Error& error) {
        if (!IsRegularFile(path)) {
            RemoveRecentFile(recent_, path);
            StateChanged();
        }
        ShowError(error.Description);
        return false;
    }
    if (addRecent) AddRecentFile(recent_, path);
    Replaced(true, path, false);
    return true;
}

void ArchiveDocument::OpenAtStart(const std::string& path) {
    archive::LoadArchive(table_, path);
    Replaced(true, path, false);
}

void ArchiveDocument::Open() {
    ClosingScope closing(closing_);
    if (!MayDropArchive()) return;
    const auto path = dialogs_.OpenFile({"Open", kOpenArchiveFilter, "", false, true});
    if (path) Load(*path, true);
}

void ArchiveDocument::OpenRecent(int slot) {
    if (slot < 0 || slot >= kRecentFileCount) return;
    const std::string path = recent_[static_cast<std::size_t>(slot)];
    if (path.empty()) return;
    ClosingScope closing(closing_);
    if (!MayDropArchive()) return;
    Load(path, true);
}

void ArchiveDocument::New() {
    ClosingScope closing(closing_);
    if (!MayDropArchive()) return;
    archive::NewArchive(table_);
    Replaced(true, "", true);
}

void ArchiveDocument::Close() {
    if (!open_) return;
    ClosingScope closing(closing_);
    if (!MayDropArchive()) return;
    Replaced(false, "", false);
}

bool ArchiveDocument::QueryExit() {
    ClosingScope closing(closing_);
    if (!MayDropArchive()) return false;
    CloseEditors();
    return true;
}

bool ArchiveDocument::Save() {
    if (!open_) return false;
    if (untitled_) return SaveAs();
    if (ScriptQuerySave(closing_)) return false;
    return WriteArchive(fileName_);
}

bool ArchiveDocument::SaveAs() {
    if (!open_) return false;
    const auto path = dialogs_.SaveFile({"Save As", kSaveArchiveFilter, "", true, false, true});
    if (!path) return false;
    if (!WriteArchive(*path)) return false;
    AddRecentFile(recent_, fileName_);
    StateChanged();
    return true;
}

bool ArchiveDocument::WriteArchive(const std::string& path) {
    std::vector<std::int32_t> offsets;
    try {
        archive::SaveArchive(table_, path);
        offsets = archive::WrittenOffsets(table_);
    } catch (const archive::Error& error) {
        ShowError(error.Description);
        return false;
    }
    fileName_ = path;
    untitled_ = false;
    saved_ = static_cast<std::ptrdiff_t>(position_);
    // The file's layout changed under the table (removed items, new sizes):
    // the offsets shown must be the written ones, as a reopen would show.
    for (std::int32_t i = 0; i <= table_.ItemCount; ++i) table_[i].Offset = offsets[static_cast<std::size_t>(i)];
    Notify(-1);
    return true;
}

void ArchiveDocument::TakeFileName(const std::string& name) {
    fileName_ = name;
    untitled_ = false;
    StateChanged();
}

// -------------------------------------------------------------- changes

void ArchiveDocument::Change(const std::string& name, std::int32_t rowBefore,
                             const std::function<std::int32_t()>& body) {
    // Without an archive nothing is kept; inside a step in progress (a drop
    // of several files) the inner changes belong to it.
    if (!open_ || table_.Changes) {
        body();
        return;
    }
    Step step;
    step.Name = name;
    step.RowBefore = rowBefore;
    step.RowAfter = rowBefore;
    step.LinesAt = table_.RecordedScript.size();
    table_.Changes = &step.Changes;
    try {
        step.RowAfter = body();
    } catch (...) {
        // A command that fails part way (the second file of a drop) is
        // taken back whole, its recorded lines too: the history stays as it
        // was. A failed bulk extraction may have cleared some marks, so the
        // list is shown again.
        table_.Changes = nullptr;
        step.Changes.Finish(table_);
        step.Changes.Undo(table_);
        table_.RecordedScript.resize(std::min(table_.RecordedScript.size(), step.LinesAt));
        Notify(-1);
        throw;
    }
    table_.Changes = nullptr;
    step.Changes.Finish(table_);
    if (table_.RecordedScript.size() > step.LinesAt) step.Lines = table_.RecordedScript.substr(step.LinesAt);
    const std::int32_t row = step.RowAfter;
    if (!step.Changes.Empty()) PushStep(std::move(step));
    Notify(row);
}

std::int32_t ArchiveDocument::RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number,
                                               const std::string& file, std::int32_t count, std::int32_t selectedRow) {
    std::int32_t row = selectedRow;
    Change(OperationName(table_, item, code, number, count), selectedRow, [&] {
        context_.Methods = methods_();
        context_.SelectedRow = selectedRow;
        archive::ItemOperation(context_, item, code, number, file, count);
        row = context_.SelectedRow;
        return row;
    });
    return row;
}

script::RunSummary ArchiveDocument::RunScript(const std::function<script::RunSummary()>& run,
                                              std::int32_t selectedRow) {
    if (!open_) return run();
    script::RunSummary summary;
    Change("Run script", selectedRow, [&] {
        summary = run();
        return selectedRow;
    });
    if (summary.Saves > 0) {
        // The file holds the table as the run's last save left it: the state
        // after the run when nothing changed since, else no state the
        // history can reach.
        saved_ = summary.SavedSinceChange ? static_cast<std::ptrdiff_t>(position_) : -1;
        StateChanged();
    }
    return summary;
}

// -------------------------------------------------------------- history

void ArchiveDocument::ClearHistory() {
    steps_.clear();
    position_ = 0;
    saved_ = 0;
    historyBytes_ = 0;
}

void ArchiveDocument::PushStep(Step step) {
    // A new change drops the steps that were undone; a saved state among
    // them can no longer be reached.
    while (steps_.size() > position_) {
        historyBytes_ -= steps_.back().Changes.Size();
        steps_.pop_back();
    }
    if (saved_ > static_cast<std::ptrdiff_t>(position_)) saved_ = -1;
    historyBytes_ += step.Changes.Size();
    steps_.push_back(std::move(step));
    ++position_;
    TrimHistory();
}

void ArchiveDocument::TrimHistory() {
    while (steps_.size() > 1 && (steps_.size() > limits_.Steps || historyBytes_ > limits_.Bytes)) {
        historyBytes_ -= steps_.front().Changes.Size();
        steps_.pop_front();
        --position_;
        if (saved_ >= 0) --saved_;  // the state before the dropped step is gone: -1
    }
}

std::string ArchiveDocument::UndoText() const {
    return CanUndo() ? "Undo " + steps_[position_ - 1].Name : "Undo";
}

std::string ArchiveDocument::RedoText() const { return CanRedo() ? "Redo " + steps_[position_].Name : "Redo"; }

void ArchiveDocument::Undo() {
    if (!CanUndo()) return;
    Step& step = steps_[position_ - 1];
    step.Changes.Undo(table_);
    // The step's lines leave the recording, so that a script recorded now
    // replays to what the window shows.
    std::string& recorded = table_.RecordedScript;
    if (!step.Lines.empty()) {
        std::size_t at = step.LinesAt;
        if (recorded.compare(at, step.Lines.size(), step.Lines) != 0) at = recorded.rfind(step.Lines);
        if (at != std::string::npos) {
            recorded.erase(at, step.Lines.size());
            table_.RecordedScriptChanged = true;
        }
    }
    --position_;
    Notify(step.RowBefore);
}

void ArchiveDocument::Redo() {
    if (!CanRedo()) return;
    Step& step = steps_[position_];
    step.Changes.Redo(table_);
    if (!step.Lines.empty()) {
        step.LinesAt = table_.RecordedScript.size();
        table_.RecordedScript += step.Lines;
        table_.RecordedScriptChanged = true;
    }
    ++position_;
    Notify(step.RowAfter);
}

// -------------------------------------------------------------- editors

void ArchiveDocument::AddEditor(DocumentEditor* editor) { editors_.push_back(editor); }

void ArchiveDocument::RemoveEditor(DocumentEditor* editor) {
    editors_.erase(std::remove(editors_.begin(), editors_.end(), editor), editors_.end());
}

ItemTicket ArchiveDocument::Ticket(std::int32_t item) const {
    if (!open_ || item < 0 || item >= table_.ItemCount) return {};
    return {item, table_[item].Stamp};
}

bool ArchiveDocument::IsCurrent(const ItemTicket& ticket) const {
    return open_ && ticket.Item >= 0 && ticket.Item < table_.ItemCount && ticket.Stamp != 0 &&
           table_[ticket.Item].Stamp == ticket.Stamp;
}

void ArchiveDocument::WriteBack(ItemTicket& ticket, std::span<const std::uint8_t> bytes) {
    const std::int32_t item = ticket.Item;
    Change("Hex-edit " + ItemName(item), item + 1, [&] {
        hexedit::WriteBackItem(table_, item, bytes, methods_());
        return item + 1;
    });
    ticket.Stamp = table_[item].Stamp;
}

}  // namespace shell
