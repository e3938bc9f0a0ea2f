// The open archive as one document: the item table, its file name, whether
// it is new or changed, the recorded operations, the editors open on its
// items and the history of its changes (undo and redo). The main window is a
// view over it: it forwards commands here and redraws when told.
//
// Every change of the table goes through Change (or RunItemOperation, which
// uses it): one call is one user action and one undo step. Modal questions
// and file choices go through the Dialogs the document was given.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/change_log.h"
#include "archive/compression_dispatch.h"
#include "archive/dispatcher.h"
#include "archive/item_table.h"
#include "script/run_script.h"
#include "shell/dialogs.h"
#include "shell/settings.h"

namespace shell {

// A window open on an item of the document's archive (a hex window).
class DocumentEditor {
public:
    virtual ~DocumentEditor() = default;
    // The archive is about to be closed or replaced. With unsaved changes
    // the editor asks its own question: Yes writes them back (or saves them
    // to a file), No drops them. False when the user cancelled or the Yes
    // failed: the command stops.
    virtual bool QueryClose() = 0;
    // The archive goes: close without asking.
    virtual void CloseWithArchive() = 0;
    // The table changed (a step, an undo or a redo): whether the editor may
    // still write back can have changed.
    virtual void TableChanged() = 0;
};

// Which item an editor was opened on, and in which state.
struct ItemTicket {
    std::int32_t Item = -1;
    std::uint64_t Stamp = 0;
};

// What the document tells its window. Each may be empty.
struct DocumentView {
    // The items changed: refill the list and select row (1-based), 0 for
    // none, -1 to keep the selection.
    std::function<void(std::int32_t row)> TableChanged;
    // The archive was opened, made new or closed: show it from scratch.
    std::function<void()> ArchiveReplaced;
    // File name, modified mark, undo and redo names, or the recent list.
    std::function<void()> StateChanged;
};

struct HistoryLimits {
    std::size_t Steps = 1000;
    std::size_t Bytes = std::size_t{256} << 20;
};

class ArchiveDocument {
public:
    // dialogs and recent outlive the document; methods gives the method
    // settings the next operation uses.
    ArchiveDocument(Dialogs& dialogs, RecentFileList& recent, std::function<archive::MethodSettings()> methods);
    ArchiveDocument(const ArchiveDocument&) = delete;
    ArchiveDocument& operator=(const ArchiveDocument&) = delete;

    void SetView(DocumentView view) { view_ = std::move(view); }
    // Bounds the history by steps and bytes; the oldest steps go first, the
    // newest always stays.
    void SetHistoryLimits(HistoryLimits limits) {
        limits_ = limits;
        TrimHistory();
    }

    // ------------------------------------------------------------- state
    archive::ItemTable& Table() { return table_; }
    const archive::ItemTable& Table() const { return table_; }
    bool IsOpen() const { return open_; }
    bool IsUntitled() const { return untitled_; }
    // Modified exactly when the history stands elsewhere than where the
    // file was last written (or opened).
    bool IsModified() const { return open_ && static_cast<std::ptrdiff_t>(position_) != saved_; }
    const std::string& FileName() const { return fileName_; }
    // The file name the script runner sees: empty while untitled.
    std::string CurrentFileName() const { return untitled_ ? std::string() : fileName_; }
    bool IsClosingArchive() const { return closing_; }
    // The main window's caption for this state (the title of questions).
    std::string Caption() const;

    // ---------------------------------------------------------- commands
    // New, Open, a recent entry and Close first ask the editors, then
    // QuerySave (which may save, with ScriptQuerySave); a Cancel anywhere
    // stops the command with nothing dropped or written.
    void New();
    void Open();
    void OpenRecent(int slot);
    void Close();
    // True when the archive was written.
    bool Save();
    bool SaveAs();
    // Exit: true when the program may end (editors closed, nothing left
    // unsaved that the user wanted saved).
    bool QueryExit();
    // The archive named on the command line: no question, no recent entry.
    // Raises the loader's error, leaving the document as it was.
    void OpenAtStart(const std::string& path);
    // A script's SVA saved the archive under name.
    void TakeFileName(const std::string& name);

    // ----------------------------------------------------------- changes
    // One user action, one undo step named `name`: runs body, which changes
    // the table through the archive operations and returns the row (1-based,
    // 0 for none) to select after it. rowBefore is the row selected before,
    // which undo selects again. If body raises, what it changed is taken
    // back and no step is kept; the error goes on to the caller. Without an open
    // archive body just runs; a Change inside body is part of the outer step.
    void Change(const std::string& name, std::int32_t rowBefore, const std::function<std::int32_t()>& body);
    // An item command through ItemOperation (recorded in the script); the
    // row the operation leaves selected.
    std::int32_t RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                          std::int32_t count, std::int32_t selectedRow);
    // A whole script run as one step: the run may save the archive (SAV,
    // SVA), which moves the saved state as the summary tells.
    script::RunSummary RunScript(const std::function<script::RunSummary()>& run, std::int32_t selectedRow);

    // ----------------------------------------------------------- history
    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // "Undo Remove item 5", "Redo ..."; "Undo" / "Redo" when there is none.
    std::string UndoText() const;
    std::string RedoText() const;
    void Undo();
    void Redo();
    // Bytes the history holds (ChangeLog::Size of every step).
    std::size_t HistoryBytes() const { return historyBytes_; }
    std::size_t HistorySteps() const { return steps_.size(); }

    // ----------------------------------------------------------- editors
    void AddEditor(DocumentEditor* editor);
    void RemoveEditor(DocumentEditor* editor);
    ItemTicket Ticket(std::int32_t item) const;
    // The item is still the one the ticket was made for, unchanged.
    bool IsCurrent(const ItemTicket& ticket) const;
    // Writes an editor's bytes back into its item (one step). Raises the
    // replace's errors; the ticket must be current.
    void WriteBack(ItemTicket& ticket, std::span<const std::uint8_t> bytes);

    archive::MethodSettings Methods() const { return methods_(); }
    // Shows an error's description in one message box.
    void ShowError(const std::string& description);

private:
    struct Step {
        std::string Name;
        archive::ChangeLog Changes;
        std::string Lines;            // the recorded lines of the step
        std::size_t LinesAt = 0;      // where they stand in RecordedScript
        std::int32_t RowBefore = 0, RowAfter = 0;
    };

    bool QuerySave();               // true = cancelled
    bool ScriptQuerySave(bool closing);
    bool SaveScript();
    bool WriteArchive(const std::string& path);
    // Editors, then QuerySave. True when the archive may go.
    bool MayDropArchive();
    bool AskEditors();
    void CloseEditors();
    // A loaded archive replaces the document's (addRecent: Open and the
    // recent entries). False after an error, shown, with nothing changed.
    bool Load(const std::string& path, bool addRecent);
    void Replaced(bool open, const std::string& fileName, bool untitled);
    void ClearHistory();
    void PushStep(Step step);
    void TrimHistory();
    void Notify(std::int32_t row);
    void StateChanged();

    Dialogs& dialogs_;
    RecentFileList& recent_;
    std::function<archive::MethodSettings()> methods_;
    DocumentView view_;
    HistoryLimits limits_;

    archive::ItemTable table_;
    archive::OperationContext context_{table_};
    std::string fileName_;
    bool untitled_ = false;
    bool open_ = false;
    bool closing_ = false;
    std::string lastSaveLine_;

    std::deque<Step> steps_;
    std::size_t position_ = 0;  // steps_[0..position_) are done
    // The position the file on disk matches; -1 when no position does.
    std::ptrdiff_t saved_ = 0;
    std::size_t historyBytes_ = 0;

    std::vector<DocumentEditor*> editors_;
};

}  // namespace shell
