// frmVirAzodAzid2, the hex viewer and editor: one file or one archive item
// a page at a time. The window draws the model's page and labels and
// forwards buttons, keys (acting on release), clicks and edit-box typing to
// hexedit::HexModel; files are read and written here, every question and
// message goes through AppServices::Ask(). Modeless and deleted on close;
// several may be open at once. Each is an editor of the archive's document:
// it is asked before the archive goes, and writes back through it.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/hex_page_painter.h"
#include "hexedit/hex_model.h"
#include "hexedit/write_back.h"
#include "shell/document.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace app {

class AppServices;
class HexArea;

class HexWindow : public QWidget, public shell::DocumentEditor {
    Q_OBJECT

public:
    // Opens on bytes named fileSpec (lblFileSpec), from source; with item
    // editing requested it starts in edit mode. parent: the main window
    // (the hex window is a window of its own above it).
    HexWindow(AppServices& services, std::vector<std::uint8_t> bytes, std::string fileSpec,
              const hexedit::HexSource& source, QWidget* parent);
    ~HexWindow() override;

    // shell::DocumentEditor
    bool QueryClose() override;
    void CloseWithArchive() override;
    void TableChanged() override;

    const hexedit::HexModel& Model() const { return model_; }
    const hexedit::HexSource& Source() const { return source_; }

    // Readies the printer for Print current page: the print dialog unless
    // replaced (tests set up a PDF file instead). False cancels the print.
    using PrinterSetup = std::function<bool(QPrinter&)>;
    void SetPrinterSetup(PrinterSetup setup) { printerSetup_ = std::move(setup); }

    // The areas draw from these.
    const HexPageLayout& Layout() const { return layout_; }
    const hexedit::PageView& ShownPage() const { return page_; }
    void CellClicked(int pageOffset);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // Shows the model's state: page, labels, edit box, enabled controls.
    void Refresh();
    void ShowEditBox();
    void Navigate(hexedit::Nav nav);
    bool NavigationKey(QObject* watched, const QKeyEvent& key, hexedit::Nav& nav) const;
    bool EditBoxKey(const QKeyEvent& key);

    void OpenFile();          // cmdFileOpen
    bool SaveToFile();        // cmdSave; false when cancelled or failed
    bool SaveHQRItem();       // write-back; false when it failed
    void ToggleEditMode();    // imgEdit
    void SetOverwrite(bool on);
    void Search(bool fromStart);  // cmdSearchOrFindNext, cmdSearchFromStart
    void SetSearchMode(hexedit::SearchMode mode);
    void GoTo();              // cmdGoTo
    void PrintPage();         // cmdPrintPage
    void Help();              // cmdHelp
    void ShowResult(const hexedit::CommandResult& result);
    void ShowError(const std::string& text);
    std::string WindowCaption() const;
    // The window's item is still the one it opened, unchanged.
    bool ItemUnchanged() const;

    AppServices& services_;
    hexedit::HexModel model_;
    hexedit::HexSource source_;
    shell::ItemTicket ticket_;
    bool closingWithArchive_ = false;
    HexPageLayout layout_;
    hexedit::PageView page_;
    PrinterSetup printerSetup_;
    bool syncing_ = false;  // the window itself is setting a box's text

    QPushButton* cmdFileOpen_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdPrintPage_ = nullptr;
    QLabel* lblFileSpec_ = nullptr;
    QLabel* lblFileSize_ = nullptr;
    QLabel* lblAscii_ = nullptr;
    QLabel* lblBinary_ = nullptr;
    HexArea* picOffSet1_ = nullptr;
    HexArea* picOffset2_ = nullptr;
    HexArea* picHexDisp_ = nullptr;
    HexArea* picChrDisp_ = nullptr;
    QLineEdit* txbEdit_ = nullptr;
    QMenu* overwriteMenu_ = nullptr;
    QAction* mnuOverwrite_ = nullptr;
    QToolButton* imgEdit_ = nullptr;
    QLabel* imgOverWriteOn_ = nullptr;
    QLabel* imgOverwriteOff_ = nullptr;
    QAbstractButton* cmdLeft_ = nullptr;
    QAbstractButton* cmdRight_ = nullptr;
    QRadioButton* optHex_ = nullptr;
    QRadioButton* optChr_ = nullptr;
    QCheckBox* ckbCaseSensitive_ = nullptr;
    QLineEdit* txbSearch_ = nullptr;
    QPushButton* cmdSearchOrFindNext_ = nullptr;
    QPushButton* cmdSearchFromStart_ = nullptr;
    QLineEdit* txbGoTo_ = nullptr;
};

}  // namespace app
