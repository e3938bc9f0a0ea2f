#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>
#include <new>
#include <system_error>

#include "app/item_drag_drop.h"
#include "app/item_icons.h"
#include "app/item_view_watcher.h"
#include "app/item_list_model.h"
#include "app/item_views.h"
#include "app/notice_window.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/descriptions.h"
#include "archive/error.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "archive/save.h"
#include "script/recording.h"
#include "script/script_text.h"

namespace app {

namespace {

QString Latin1(const char* text) { return QString::fromLatin1(text); }

constexpr std::array<shell::ViewMode, 4> kViewModes = {shell::ViewMode::LargeIcons, shell::ViewMode::SmallIcons,
                                                       shell::ViewMode::List, shell::ViewMode::Details};

}  // namespace

template <typename Body>
void frmMain::Guarded(Body&& body) {
    try {
        body();
    } catch (const archive::Error& error) {
        ShowError(error.Description);
    } catch (const std::bad_alloc&) {
        ShowError("Out of memory");
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

frmMain::frmMain(MainWindowOptions options) {
    setObjectName("frmMain");
    if (options.Dialogs) {
        dialogs_ = options.Dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    settingsDirectory_ = options.SettingsDirectory.empty() ? archive::ProgramDirectory() : options.SettingsDirectory;
    if (settingsDirectory_.back() != '/') settingsDirectory_ += '/';
    scriptEditor_ = options.ScriptEditor ? std::move(options.ScriptEditor) : ShowScriptEditor;
    viewFolderBase_ = options.ViewFolderBase;
    viewWatcher_ = std::make_unique<ItemViewWatcher>(*this, viewFolderBase_, std::move(options.OpenWithDesktop));
    document_ = std::make_unique<shell::ArchiveDocument>(*dialogs_, settings_.RecentFiles,
                                                         [this] { return Methods(); });
    shell::DocumentView view;
    view.TableChanged = [this](std::int32_t row) { ShowTableChange(row); };
    view.ArchiveReplaced = [this] { ShowArchive(); };
    view.StateChanged = [this] {
        ApplyDisplayState();
        RebuildRecentFilesMenu();
    };
    document_->SetView(std::move(view));

    BuildCentralArea();
    BuildMenus();
    statusBar()->setObjectName("StatusBar1");
    statusText_ = new QLabel(statusBar());
    statusText_->setObjectName("StatusBar1Text");
    statusBar()->addWidget(statusText_, 1);
    resize(1200, 700);
    ApplyListSettings();
    RebuildRecentFilesMenu();
    ApplyDisplayState();
}

frmMain::~frmMain() {
    // Windows of their own (hex windows, the About box) go before the
    // document they may be registered with.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow()) delete child;
}

// ------------------------------------------------------------------ layout

void frmMain::BuildCentralArea() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    // The band across the top: tool bar, archive title, progress bar.
    auto* band = new QWidget(central);
    band->setObjectName("CoolBar1");
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(2, 2, 6, 2);
    toolBar_ = new QToolBar(band);
    toolBar_->setObjectName("Toolbar1");
    toolBar_->setIconSize(QSize(24, 24));
    BuildToolBar();
    bandLayout->addWidget(toolBar_);
    lblCurHQRDescription_ = new QLabel(band);
    lblCurHQRDescription_->setObjectName("lblCurHQRDescription");
    lblCurHQRDescription_->setMinimumWidth(40);
    QFont titleFont = lblCurHQRDescription_->font();
    titleFont.setBold(true);
    lblCurHQRDescription_->setFont(titleFont);
    bandLayout->addWidget(lblCurHQRDescription_, 1);
    progressBar_ = new QProgressBar(band);
    progressBar_->setObjectName("ProgressBar1");
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setFixedWidth(160);
    bandLayout->addWidget(progressBar_);
    layout->addWidget(band);

    model_ = new ItemListModel(document_->Table(), this);
    listStack_ = new QStackedWidget(central);
    listStack_->setObjectName("ListView1");
    detailsView_ = new ItemTableView(listStack_);
    detailsView_->setObjectName("ListView1Details");
    detailsView_->setModel(model_);
    iconView_ = new ItemIconView(listStack_);
    iconView_->setObjectName("ListView1Icons");
    iconView_->setModel(model_);
    iconView_->setSelectionModel(detailsView_->selectionModel());
    listStack_->addWidget(detailsView_);
    listStack_->addWidget(iconView_);
    listStack_->setCurrentWidget(detailsView_);
    layout->addWidget(listStack_, 1);
    setCentralWidget(central);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(detailsView_),
                                    static_cast<QAbstractItemView*>(iconView_)}) {
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& position) {
            if (IsArchiveOpen()) mnuItem_->popup(view->viewport()->mapToGlobal(position));
        });
        // Drags and drops are taken while the option is on (read at each one).
        new ItemDragDrop(*this, *view);
    }
}

QAction* frmMain::AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
                            std::function<void()> run) {
    auto* action = new QAction(Latin1(caption), this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] { Guarded(run); });
    menu->addAction(action);
    return action;
}

void frmMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    // owner: the menu bar or the menu that holds the new menu.
    auto addMenu = [this](QWidget* owner, const char* name, const char* caption) {
        auto* menu = new QMenu(Latin1(caption), this);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(QString(name) + "Action");
        owner->addAction(menu->menuAction());
        return menu;
    };

    mnuFile_ = addMenu(bar, "mnuFile", "&File");
    AddAction(mnuFile_, "mnuNew", "&New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewArchiveCommand(); });
    AddAction(mnuFile_, "mnuOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OpenCommand(); });
    mnuFile_->addSeparator();
    AddAction(mnuFile_, "mnuCompare", "&Compare two archives...", {}, [this] { ShowCompare(*this); });
    mnuFile_->addSeparator();
    AddAction(mnuFile_, "mnuClose", "&Close", {}, [this] { CloseCommand(); });
    mnuFile_->addSeparator();
    AddAction(mnuFile_, "mnuRunScript", "&Run script...", {}, [this] { RunScriptCommand(); });
    mnuFile_->addSeparator();
    AddAction(mnuFile_, "mnuSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveCommand(); });
    AddAction(mnuFile_, "mnuSaveAs", "Save &As...", {}, [this] { SaveAsCommand(); });
    mnuRecentFiles_ = addMenu(mnuFile_, "mnuRecentFiles", "&Recent Files");
    for (int i = 0; i < shell::kRecentFileCount; ++i) {
        const std::string name = "mnuRecentFile" + std::to_string(i);
        mnuRecentFile_[static_cast<std::size_t>(i)] =
            AddAction(mnuRecentFiles_, name.c_str(), "", {}, [this, i] { OpenRecentCommand(i); });
    }
    mnuFileSep5_ = mnuFile_->addSeparator();
    mnuFileSep5_->setObjectName("mnuFileSep5");
    AddAction(mnuFile_, "mnuExit", "E&xit", {}, [this] { close(); });

    mnuEdit_ = addMenu(bar, "mnuEdit", "&Edit");
    mnuUndo_ = AddAction(mnuEdit_, "mnuUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { document_->Undo(); });
    mnuRedo_ = AddAction(mnuEdit_, "mnuRedo", "&Redo", QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { document_->Redo(); });
    mnuRedo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    // The Edit menu is hidden while an archive is empty, yet undoing the
    // removal of its last item must still be at hand: the window holds the
    // shortcuts too.
    addAction(mnuUndo_);
    addAction(mnuRedo_);
    mnuEdit_->addSeparator();
    AddAction(mnuEdit_, "mnuDeselectAll", "&De-select All", {}, [this] { SelectAllCommand(false); });
    AddAction(mnuEdit_, "mnuSelectAll", "&Select All", QKeySequence(Qt::CTRL | Qt::Key_A),
              [this] { SelectAllCommand(true); });

    mnuItem_ = addMenu(bar, "mnuItem", "&Item");
    mnuOperations_ = addMenu(mnuItem_, "mnuOperations", "&Operations");
    AddAction(mnuOperations_, "mnuExtract", "&Extract...", QKeySequence(Qt::CTRL | Qt::Key_E),
              [this] { ExtractCommand(false); });
    AddAction(mnuOperations_, "mnuExtractMultipleItems", "Ex&tract multiple items...", {},
              [this] { ExtractMultipleCommand(false); });
    AddAction(mnuOperations_, "mnuExtractAsIs", "E&xtract without decompression...", {},
              [this] { ExtractCommand(true); });
    AddAction(mnuOperations_, "mnuExtractMultipleItemsAsIs", "Extra&ct multiple items without decompression...", {},
              [this] { ExtractMultipleCommand(true); });
    mnuOperations_->addSeparator();
    AddAction(mnuOperations_, "mnuReplace", "&Replace...", QKeySequence(Qt::CTRL | Qt::Key_R),
              [this] { RunCommand(shell::Command::Replace); });
    AddAction(mnuOperations_, "mnuAdd", "&Add...", QKeySequence(Qt::Key_F6), [this] { RunCommand(shell::Command::Add); });
    AddAction(mnuOperations_, "mnuAddMultipleItems", "Add &multiple items...", {}, [this] {
        if (!IsArchiveOpen()) return;
        const std::int32_t item = SelectedItem();
        ShowAddMultipleItems(*this, item >= 0 ? item : Table().ItemCount);
        ApplyDisplayState();
    });
    AddAction(mnuOperations_, "mnuRemove", "&Remove", QKeySequence(Qt::Key_Delete), [this] { RemoveCommand(); });
    AddAction(mnuOperations_, "mnuRemoveMultipleItems", "Remove m&ultiple items", QKeySequence(Qt::SHIFT | Qt::Key_Delete),
              [this] { RemoveMultipleCommand(); });
    mnuOperations_->addSeparator();
    AddAction(mnuOperations_, "mnuDecompress", "&De-compress", QKeySequence(Qt::Key_F9),
              [this] { ChangeCompressionCommand(0); });
    AddAction(mnuOperations_, "mnuCompressLZSS", "&Compress to type 1 (LZSS)", QKeySequence(Qt::Key_F11),
              [this] { ChangeCompressionCommand(1); });
    AddAction(mnuOperations_, "mnuCompressLZMIT", "C&ompress to type 2 (LZMIT)", QKeySequence(Qt::Key_F12),
              [this] { ChangeCompressionCommand(2); });
    mnuItem_->addSeparator();
    AddAction(mnuItem_, "mnuHexView", "&Hex-view...", QKeySequence(Qt::CTRL | Qt::Key_H),
              [this] { HexCommand(HexOpenMode::View); });
    AddAction(mnuItem_, "mnuHexViewAsIs", "He&x-view without decompression...", {},
              [this] { HexCommand(HexOpenMode::ViewAsIs); });
    AddAction(mnuItem_, "mnuHexEdit", "Hex-edi&t...", {}, [this] { HexCommand(HexOpenMode::Edit); });
    AddAction(mnuItem_, "mnuItemView", "&View...", QKeySequence(Qt::Key_F3), [this] { ViewItemCommand(); });
    mnuItem_->addSeparator();
    AddAction(mnuItem_, "mnuFindByDecSize", "&Find by decompressed size...", {}, [this] { FindBySizeCommand(); });
    AddAction(mnuItem_, "mnuFindByIndex", "F&ind by index...", QKeySequence(Qt::CTRL | Qt::Key_F),
              [this] { FindByIndexCommand(); });

    mnuView_ = addMenu(bar, "mnuView", "&View");
    AddAction(mnuView_, "mnuOptions", "&Options...", {}, [this] { ShowOptions(*this); });
    mnuView_->addSeparator();
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const std::array<std::pair<const char*, const char*>, 4> views = {{{"mnuLargeIcons", "&Large Icons"},
                                                                       {"mnuSmallIcons", "&Small Icons"},
                                                                       {"mnuList", "L&ist"},
                                                                       {"mnuDetails", "&Details"}}};
    for (std::size_t i = 0; i < views.size(); ++i) {
        const shell::ViewMode mode = kViewModes[i];
        QAction* action = AddAction(mnuView_, views[i].first, views[i].second, {}, [this, mode] { SetViewMode(mode); });
        action->setCheckable(true);
        action->setChecked(mode == viewMode_);
        group->addAction(action);
        viewActions_[i] = action;
    }
    mnuView_->addSeparator();
    AddAction(mnuView_, "mnuRefresh", "R&efresh", QKeySequence(Qt::Key_F5), [this] { RefreshCommand(); });

    QMenu* help = addMenu(bar, "mnuHelp", "&Help");
    AddAction(help, "mnuAbout", "&About Tarvo Resource Manager...", {}, [this] { AboutCommand(); });
}

void frmMain::BuildToolBar() {
    std::size_t next = 0;
    for (int index = 1; index <= shell::kToolBarSize; ++index) {
        if (next >= shell::kToolButtons.size() || shell::kToolButtons[next].Index != index) {
            toolBar_->addSeparator();
            continue;
        }
        const shell::ToolButton& button = shell::kToolButtons[next++];
        QAction* action = toolBar_->addAction(ToolIcon(button.Runs), Latin1(button.Tip));
        action->setObjectName(QString("Toolbar1Button%1").arg(index));
        action->setToolTip(Latin1(button.Tip));
        action->setStatusTip(Latin1(button.Description));
        const shell::Command command = button.Runs;
        connect(action, &QAction::triggered, this, [this, command] { Guarded([&] { RunCommand(command); }); });
        toolButtons_[static_cast<std::size_t>(index)] = action;
    }
}

void frmMain::RunCommand(shell::Command command) {
    switch (command) {
    case shell::Command::None: break;
    case shell::Command::New: NewArchiveCommand(); break;
    case shell::Command::Open: OpenCommand(); break;
    case shell::Command::Save: SaveCommand(); break;
    case shell::Command::Refresh: RefreshCommand(); break;
    case shell::Command::Extract: ExtractCommand(false); break;
    case shell::Command::ExtractAsIs: ExtractCommand(true); break;
    case shell::Command::Replace: {
        const std::int32_t item = SelectedItem();
        if (!IsArchiveOpen() || item < 0) break;
        ShowAddReplace(*this, 1, item);
        ApplyDisplayState();
        break;
    }
    case shell::Command::Add: {
        if (!IsArchiveOpen()) break;
        const std::int32_t item = SelectedItem();
        ShowAddReplace(*this, 0, item >= 0 ? item : Table().ItemCount);
        ApplyDisplayState();
        break;
    }
    case shell::Command::Remove: RemoveCommand(); break;
    case shell::Command::Decompress: ChangeCompressionCommand(0); break;
    case shell::Command::CompressLZSS: ChangeCompressionCommand(1); break;
    case shell::Command::CompressLZMIT: ChangeCompressionCommand(2); break;
    case shell::Command::HexView: HexCommand(HexOpenMode::View); break;
    case shell::Command::HexViewAsIs: HexCommand(HexOpenMode::ViewAsIs); break;
    case shell::Command::FindByDecSize: FindBySizeCommand(); break;
    case shell::Command::FindByIndex: FindByIndexCommand(); break;
    case shell::Command::Compare: ShowCompare(*this); break;
    case shell::Command::RunScript: RunScriptCommand(); break;
    case shell::Command::About: AboutCommand(); break;
    }
}

// ------------------------------------------------------------------- state

std::string frmMain::Caption() const { return look_.Caption; }

std::string frmMain::StatusText() const { return ToPath(statusText_->text()); }

void frmMain::ApplyDisplayState() {
    look_ = shell::LookOf(IsArchiveOpen(), Table().ItemCount, IsUntitled(), FileName());
    setWindowTitle(FromPath(look_.Caption));
    statusText_->setText(FromPath(look_.Status));

    for (const char* name : {"mnuSave", "mnuSaveAs", "mnuClose", "mnuRefresh"})
        findChild<QAction*>(name)->setEnabled(look_.FileCommands);
    // Undo and redo keep the Edit menu at hand whenever they have a step,
    // also while the archive is empty.
    const bool history = IsArchiveOpen() && (document_->CanUndo() || document_->CanRedo());
    mnuEdit_->menuAction()->setEnabled(look_.EditEnabled || history);
    mnuEdit_->menuAction()->setVisible(look_.EditVisible || history);
    for (QAction* action : mnuEdit_->actions()) action->setEnabled(look_.EditEnabled);
    mnuUndo_->setEnabled(IsArchiveOpen() && document_->CanUndo());
    mnuRedo_->setEnabled(IsArchiveOpen() && document_->CanRedo());
    mnuUndo_->setText(Latin1("&") + FromText(document_->UndoText()));
    mnuRedo_->setText(Latin1("&") + FromText(document_->RedoText()));
    mnuItem_->menuAction()->setEnabled(look_.ItemEnabled);
    mnuItem_->menuAction()->setVisible(look_.ItemVisible);
    for (QMenu* menu : {mnuItem_, mnuOperations_})
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action != mnuOperations_->menuAction()) action->setEnabled(look_.ItemEnabled);
    for (const char* name : {"mnuExtract", "mnuExtractAsIs", "mnuReplace", "mnuRemove", "mnuRemoveMultipleItems"})
        findChild<QAction*>(name)->setEnabled(look_.ItemEnabled && look_.ItemOnItemCommands);
    for (int index = 1; index <= shell::kToolBarSize; ++index)
        if (QAction* button = toolButtons_[static_cast<std::size_t>(index)])
            button->setEnabled(look_.ButtonEnabled[static_cast<std::size_t>(index)]);
}

void frmMain::RebuildRecentFilesMenu() {
    const shell::RecentFilesMenu menu = shell::RecentFilesMenuState(settings_.RecentFiles);
    for (std::size_t i = 0; i < mnuRecentFile_.size(); ++i) {
        QAction* action = mnuRecentFile_[i];
        const bool visible = menu.Entries[i].Visible;
        action->setVisible(visible);
        action->setEnabled(visible);
        if (visible) {
            // The caption of RecentFilesMenuState, built from the path as the
            // file system spells it and with its '&'s doubled, so that Qt
            // shows them rather than taking them for access keys.
            QString path = FromPath(settings_.RecentFiles[i]);
            path.replace('&', "&&");
            action->setText(QString("&%1 %2").arg(i + 1).arg(path));
        }
    }
    mnuRecentFiles_->menuAction()->setVisible(menu.SubmenuVisible);
    mnuRecentFiles_->menuAction()->setEnabled(menu.SubmenuVisible);
    mnuFileSep5_->setVisible(menu.SeparatorVisible);
}

void frmMain::ApplyListSettings() {
    detailsView_->ApplyListFlags(settings_.GridLines, settings_.ColumnsReordering, settings_.RowsSelection);
}

void frmMain::ApplySettings() {
    ApplyListSettings();
    if (IsArchiveOpen()) FillItemList();
    ApplyDisplayState();
}

archive::MethodSettings frmMain::Methods() const { return shell::MethodSettingsOf(settings_); }

// -------------------------------------------------------------- item list

void frmMain::FillItemList() {
    // The model builds a row's texts only when a view draws it, so the refill
    // is over long before the bar could show a step: a large archive gets the
    // bar's range, and the bar ends at 0 as after any fill.
    const std::int32_t keep = SelectedItem() + 1;
    const std::int32_t count = Table().ItemCount;
    if (shell::ItemListUsesProgress(count)) progressBar_->setRange(0, count - 1);
    model_->Refill(settings_.ItemsIndexTarvoDeCOMP);
    progressBar_->setValue(0);
    if (keep > 0 && keep <= model_->rowCount()) SelectRow(keep);
}

std::int32_t frmMain::SelectedItem() const {
    const QModelIndex current = detailsView_->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmMain::SelectRow(std::int32_t row) {
    QItemSelectionModel* selection = detailsView_->selectionModel();
    if (row < 1 || row > model_->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = model_->index(row - 1, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (listStack_->currentWidget() == detailsView_) detailsView_->scrollTo(index);
    else iconView_->scrollTo(index);
}

void frmMain::SetViewMode(shell::ViewMode mode) {
    if (shell::SetViewMode(viewMode_, mode)) {
        if (mode == shell::ViewMode::Details) {
            listStack_->setCurrentWidget(detailsView_);
        } else {
            iconView_->SetMode(mode);
            listStack_->setCurrentWidget(iconView_);
        }
        const QModelIndex current = detailsView_->selectionModel()->currentIndex();
        if (current.isValid()) static_cast<QAbstractItemView*>(listStack_->currentWidget())->scrollTo(current);
    }
    for (std::size_t i = 0; i < kViewModes.size(); ++i) viewActions_[i]->setChecked(kViewModes[i] == viewMode_);
}

void frmMain::RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                               std::int32_t count) {
    document_->RunItemOperation(item, code, number, file, count, SelectedItem() + 1);
}

void frmMain::ShowTableChange(std::int32_t row) {
    if (!IsArchiveOpen()) return;
    FillItemList();
    if (row >= 0) SelectRow(row);
    ApplyDisplayState();
}

void frmMain::ShowArchive() {
    lastFoundItem_ = -1;
    detailsView_->selectionModel()->clear();
    if (IsArchiveOpen()) FillItemList();
    else model_->Clear();
    lblCurHQRDescription_->setText(IsArchiveOpen() && !IsUntitled() ? FromText(Table().ArchiveTitle) : QString());
    ApplyDisplayState();
}

void frmMain::RefreshItemList(std::int32_t row) {
    FillItemList();
    SelectRow(row);
    ApplyDisplayState();
}

void frmMain::RefreshItemList() {
    FillItemList();
    ApplyDisplayState();
}

// ------------------------------------------------------------- script link

std::string frmMain::CurrentFileName() const { return document_->CurrentFileName(); }

void frmMain::TakeFileName(const std::string& name) { document_->TakeFileName(name); }

// ---------------------------------------------------------------- start-up

void frmMain::Startup(const std::string& commandLine, bool showNotice) {
    if (showNotice) ShowNotice(this);
    shell::ViewFolder::RemoveLeftovers(viewFolderBase_);
    Guarded([&] { settings_ = shell::LoadSettingsFile(settingsDirectory_ + shell::kSettingsFileName); });
    Guarded([&] { viewers_ = shell::LoadViewersFile(settingsDirectory_ + shell::kViewersFileName); });
    RebuildRecentFilesMenu();
    ApplyListSettings();
    detailsView_->FitColumns();
    if (!commandLine.empty()) Guarded([&] { document_->OpenAtStart(commandLine); });
    if (!IsArchiveOpen()) model_->Clear();
    ApplyDisplayState();
}

// -------------------------------------------------------------- questions

void frmMain::ShowError(const std::string& description) {
    dialogs_->Message(description, Caption(), shell::MessageIcon::Critical, shell::MessageButtons::Ok);
}

std::string frmMain::SelectFolder() { return dialogs_->ChooseFolder(shell::kSelectFolderTitle).value_or(""); }

// ------------------------------------------------------- archive commands

void frmMain::OpenCommand() { document_->Open(); }

void frmMain::OpenRecentCommand(int slot) { document_->OpenRecent(slot); }

void frmMain::NewArchiveCommand() { document_->New(); }

void frmMain::CloseCommand() { document_->Close(); }

bool frmMain::SaveCommand() { return document_->Save(); }

bool frmMain::SaveAsCommand() { return document_->SaveAs(); }

void frmMain::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    // Editors open on the archive ask first and close with it, so that the
    // program never runs on without this window.
    bool mayExit = false;
    Guarded([&] { mayExit = document_->QueryExit(); });
    if (!mayExit) {
        event->ignore();
        return;
    }
    Unload();
    event->accept();
}

void frmMain::Unload() {
    unloaded_ = true;
    viewWatcher_.reset();
    Guarded([&] { shell::SaveSettingsFile(settings_, settingsDirectory_ + shell::kSettingsFileName); });
    Guarded([&] { shell::SaveViewersFile(viewers_, settingsDirectory_ + shell::kViewersFileName); });
}

// ----------------------------------------------------------- item commands

void frmMain::ExtractCommand(bool asIs) {
    const std::int32_t item = SelectedItem();
    if (!IsArchiveOpen() || item < 0) return;
    const auto path = dialogs_->SaveFile({"Extract", shell::kExtractFilter, "", !asIs, false, true});
    if (!path) return;
    RunItemOperation(item, asIs ? archive::kOpExtractAsIs : archive::kOpExtract, 0, *path, 0);
}

void frmMain::ExtractMultipleCommand(bool asIs) {
    if (!IsArchiveOpen()) return;
    const std::string folder = SelectFolder();
    if (folder.empty()) return;
    RunItemOperation(0, asIs ? archive::kOpExtractMarkedAsIs : archive::kOpExtractMarked, 0, folder, 0);
}

void frmMain::RemoveCommand() {
    const std::int32_t item = SelectedItem();
    if (!IsArchiveOpen() || item < 0) return;
    RunItemOperation(item, archive::kOpRemoveItem, 0, "", 0);
}

void frmMain::RemoveMultipleCommand() {
    if (!IsArchiveOpen()) return;
    RunItemOperation(0, archive::kOpRemoveMarked, 0, "", 0);
}

void frmMain::ChangeCompressionCommand(std::int16_t type) {
    const std::int32_t item = SelectedItem();
    if (!IsArchiveOpen() || item < 0) return;
    RunItemOperation(item, archive::kOpChangeCompression, type, "", 0);
}

void frmMain::HexCommand(HexOpenMode mode) {
    const std::int32_t item = SelectedItem();
    if (!IsArchiveOpen() || item < 0 || item >= Table().ItemCount || Table()[item].IsBlank) return;
    ShowHexWindow(*this, item, mode);
}

void frmMain::ViewItemCommand() {
    const std::int32_t item = SelectedItem();
    if (!IsArchiveOpen() || item < 0 || item >= Table().ItemCount || !viewWatcher_) return;
    const std::string extension = archive::UpperCase(Table()[item].Extension);
    viewWatcher_->View(item, extension, shell::ViewerForExtension(viewers_, extension));
}

void frmMain::FindBySizeCommand() {
    if (!IsArchiveOpen()) return;
    const auto answer = dialogs_->Input(shell::kFindBySizePrompt, shell::kFindBySizeTitle, "0");
    if (!answer) return;
    // A size beyond 32 bits is no item's size: nothing is selected.
    const std::optional<std::int32_t> size = script::TryReadInt32(*answer);
    const std::int32_t found = size ? shell::FindItemBySize(Table(), *size, lastFoundItem_) : -1;
    if (found < 0) {
        SelectRow(0);
        if (size)
            dialogs_->Message(shell::NoItemOfSizeText(*size), Caption(), shell::MessageIcon::Information,
                              shell::MessageButtons::Ok);
        return;
    }
    lastFoundItem_ = found;
    SelectRow(found + 1);
}

void frmMain::FindByIndexCommand() {
    if (!IsArchiveOpen()) return;
    const auto answer = dialogs_->Input(shell::kFindByIndexPrompt, shell::kFindByIndexTitle, "0");
    if (!answer) return;
    const std::int32_t index = script::TryReadInt32(*answer).value_or(-1);
    SelectRow(index >= 0 && index < Table().ItemCount ? index + 1 : 0);
}

void frmMain::RefreshCommand() {
    if (!IsArchiveOpen()) return;
    FillItemList();
    ApplyDisplayState();
}

void frmMain::SelectAllCommand(bool mark) {
    if (!IsArchiveOpen()) return;
    if (mark) shell::SelectAll(Table(), model_->rowCount());
    else shell::DeselectAll(Table(), model_->rowCount());
    model_->MarksChanged();
}

void frmMain::RunScriptCommand() {
    scriptEditor_(*this);
    // A run that ended at a fatal line refreshed nothing; the table may have
    // changed under the list all the same.
    if (IsArchiveOpen()) FillItemList();
    ApplyDisplayState();
}

void frmMain::AboutCommand() {
    auto* about = new QDialog(this);
    about->setObjectName("frmAbout");
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(Latin1("About ") + Latin1(shell::kProgramCaption));
    auto* layout = new QVBoxLayout(about);
    auto* name = new QLabel(Latin1(shell::kProgramCaption), about);
    QFont font = name->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    name->setFont(font);
    layout->addWidget(name);
    layout->addWidget(new QLabel(Latin1(shell::kVersionText), about));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, about);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::close);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    about->show();
}

}  // namespace app
