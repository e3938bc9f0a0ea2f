// frmMain: the program's main window, a view over the open archive's
// document (shell::ArchiveDocument): it shows the document's table in the
// item list and offers every command through the menus and the tool bar.
// What it enables and shows follows from one function of the state
// (shell::LookOf); the archive's life and its rules are the document's.
#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/app_services.h"
#include "app/windows.h"
#include "archive/dispatcher.h"
#include "shell/document.h"
#include "shell/item_list.h"
#include "shell/main_window_state.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QToolBar;

namespace app {

class ItemListModel;
class ItemTableView;
class ItemIconView;
class ItemViewWatcher;
class QtDialogs;

struct MainWindowOptions {
    // Every question goes here; null means the real Qt dialogs.
    shell::Dialogs* Dialogs = nullptr;
    // Where ORVANE.INI and ORVANE.VDB are read and written; empty means the
    // program directory.
    std::string SettingsDirectory;
    // Opens the script editor; empty means ShowScriptEditor. Tests run a
    // script here instead of a modal window.
    std::function<void(AppServices&)> ScriptEditor;
    // Where the private folder of viewed items lies; empty means the
    // system's temporary folder.
    std::string ViewFolderBase;
    // Opens a viewed item with the desktop's default application; empty
    // means OpenWithDesktopDefault. Tests put a stand-in here.
    std::function<bool(const std::string& path)> OpenWithDesktop;
};

class frmMain : public QMainWindow, public AppServices, public script::MainWindowLink {
    Q_OBJECT

public:
    explicit frmMain(MainWindowOptions options = {});
    ~frmMain() override;

    // The start-up sequence: the notice (when showNotice), the settings and
    // viewer files, the recent menu, then the archive named by commandLine
    // (nothing when empty).
    void Startup(const std::string& commandLine, bool showNotice);

    // AppServices
    QWidget* MainWidget() override { return this; }
    shell::Dialogs& Ask() override { return *dialogs_; }
    std::string Caption() const override;
    archive::ItemTable& Table() override { return document_->Table(); }
    shell::ArchiveDocument& Document() override { return *document_; }
    bool IsArchiveOpen() const override { return document_->IsOpen(); }
    std::int32_t SelectedItem() const override;
    void RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                          std::int32_t count) override;
    void RefreshItemList(std::int32_t row) override;
    shell::Settings& CurrentSettings() override { return settings_; }
    shell::Viewers& CurrentViewers() override { return viewers_; }
    archive::MethodSettings Methods() const override;
    void ApplySettings() override;
    script::MainWindowLink& ScriptLink() override { return *this; }

    // script::MainWindowLink
    std::string CurrentFileName() const override;
    void TakeFileName(const std::string& name) override;
    void RefreshItemList() override;
    void ApplyListSettings() override;

    // Rebuilds every row from the table (one model reset), keeping the
    // selected row where it was when it still exists.
    void FillItemList();

    // The window state, for tests and tools.
    const std::string& FileName() const { return document_->FileName(); }
    bool IsUntitled() const { return document_->IsUntitled(); }
    bool IsModified() const { return document_->IsModified(); }
    bool IsClosingArchive() const { return document_->IsClosingArchive(); }
    std::string StatusText() const;
    shell::DisplayState State() const { return look_.State; }
    ItemListModel& Model() { return *model_; }
    ItemTableView& DetailsView() { return *detailsView_; }
    // The items handed to other programs (null once unloaded).
    ItemViewWatcher* ViewWatcher() { return viewWatcher_.get(); }
    // Switches the list as the View menu does.
    void SetViewMode(shell::ViewMode mode);
    // Selects row `row` (1-based) and shows it; anything else selects none.
    void SelectRow(std::int32_t row);

    // The commands, as the menus and the tool bar run them.
    void NewArchiveCommand();
    void OpenCommand();
    void OpenRecentCommand(int slot);
    void CloseCommand();
    // True when the archive was written.
    bool SaveCommand();
    bool SaveAsCommand();
    void ExtractCommand(bool asIs);
    void ExtractMultipleCommand(bool asIs);
    void RemoveCommand();
    void RemoveMultipleCommand();
    void ChangeCompressionCommand(std::int16_t type);
    void HexCommand(HexOpenMode mode);
    void ViewItemCommand();
    void FindBySizeCommand();
    void FindByIndexCommand();
    void RefreshCommand();
    void SelectAllCommand(bool mark);
    void RunScriptCommand();
    void AboutCommand();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildCentralArea();
    QAction* AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
                       std::function<void()> run);
    void RunCommand(shell::Command command);

    // Applies LookOf the current state to menus, tool bar, caption and status.
    void ApplyDisplayState();
    void RebuildRecentFilesMenu();
    // What the document tells the window.
    void ShowTableChange(std::int32_t row);
    void ShowArchive();
    std::string SelectFolder();
    void Unload();

    // Shows an error's description in one message box.
    void ShowError(const std::string& description);
    template <typename Body>
    void Guarded(Body&& body);

    std::unique_ptr<QtDialogs> ownDialogs_;
    shell::Dialogs* dialogs_ = nullptr;
    std::string settingsDirectory_;
    std::function<void(AppServices&)> scriptEditor_;

    shell::Settings settings_ = shell::DefaultSettings();
    shell::Viewers viewers_;
    std::unique_ptr<shell::ArchiveDocument> document_;

    bool unloaded_ = false;
    std::int32_t lastFoundItem_ = -1;
    std::string viewFolderBase_;
    std::unique_ptr<ItemViewWatcher> viewWatcher_;
    shell::ViewMode viewMode_ = shell::kInitialViewMode;
    shell::MainWindowLook look_;

    ItemListModel* model_ = nullptr;
    ItemTableView* detailsView_ = nullptr;
    ItemIconView* iconView_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* lblCurHQRDescription_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* statusText_ = nullptr;

    QMenu* mnuFile_ = nullptr;
    QMenu* mnuEdit_ = nullptr;
    QMenu* mnuItem_ = nullptr;
    QMenu* mnuOperations_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QMenu* mnuRecentFiles_ = nullptr;
    QAction* mnuFileSep5_ = nullptr;
    QAction* mnuUndo_ = nullptr;
    QAction* mnuRedo_ = nullptr;
    std::array<QAction*, shell::kRecentFileCount> mnuRecentFile_{};
    std::array<QAction*, 4> viewActions_{};
    std::array<QAction*, shell::kToolBarSize + 1> toolButtons_{};
};

}  // namespace app
