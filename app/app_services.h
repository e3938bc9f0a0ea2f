// What the dialogs and the other windows need of the main window. frmMain
// implements it; each window is handed it when it is created, and tests may
// hand a window the real main window created offscreen.
#pragma once

#include <cstdint>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"
#include "script/run_script.h"
#include "shell/dialogs.h"
#include "shell/document.h"
#include "shell/settings.h"

class QWidget;

namespace app {

class AppServices {
public:
    virtual ~AppServices() = default;

    // The parent of modal dialogs and message boxes.
    virtual QWidget* MainWidget() = 0;
    // Every question, message and file choice goes through this.
    virtual shell::Dialogs& Ask() = 0;
    // The window's caption, the title of its message boxes.
    virtual std::string Caption() const = 0;

    // The open archive: every change of the table goes through it.
    virtual shell::ArchiveDocument& Document() = 0;
    // The process's one item table (the document's).
    virtual archive::ItemTable& Table() = 0;
    virtual bool IsArchiveOpen() const = 0;
    // The item of the selected row, -1 when no row is selected.
    virtual std::int32_t SelectedItem() const = 0;

    // One item operation through ItemOperation and the document (one undo
    // step): recorded in the script, marks the archive modified, refills the
    // list (selecting the row the operation leaves selected) and derives the
    // display state again. Throws archive::Error as ItemOperation does;
    // nothing changes then.
    virtual void RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                                  std::int32_t count) = 0;
    // Refills the list from the table, selecting `row` (1-based, 0 for none).
    virtual void RefreshItemList(std::int32_t row) = 0;

    virtual shell::Settings& CurrentSettings() = 0;
    virtual shell::Viewers& CurrentViewers() = 0;
    // The method choices the next compression and decompression use.
    virtual archive::MethodSettings Methods() const = 0;
    // After the settings changed: applies the list flags and the method
    // choices, and refills the list while an archive is open.
    virtual void ApplySettings() = 0;

    // The main window as the script runner sees it.
    virtual script::MainWindowLink& ScriptLink() = 0;
};

}  // namespace app
