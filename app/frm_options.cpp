#include "app/frm_options.h"

#include <exception>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/error.h"

namespace app {

namespace {

constexpr const char* kCaption = "Options";

struct FrameText {
    const char* Name;
    const char* Caption;
    std::array<const char*, shell::kOptionsPerFrame> OptionNames;
};

// Frames and buttons in page order, matching shell::OptionValue.
constexpr std::array<FrameText, shell::kAlgorithmFrameCount> kFrames = {{
    {"frmCType1", "Compression type 1 (LZSS)", {"optCType1Tarvo", "optCType1HO", "optCType1Hesk", "optCType1Dravik"}},
    {"frmCType2", "Compression type 2 (LZMIT)", {"optCType2HO", "optCType2Tarvo", "optCType2Hesk", "optCType2Dravik"}},
    {"frmDec", "De-compression", {"optDecTarvo", "optDecHO", "optDecHesk", "optDecDravik"}},
}};

constexpr const char* kTarvo = "Original Tarvo algorithm";
constexpr const char* kOkumura = "Algorithm by Haruhiko Okumura";
constexpr const char* kHesk = "Hesk's algorithm";
constexpr const char* kDravik = "Dravik (dravix)'s algorithm";
constexpr std::array<std::array<const char*, shell::kOptionsPerFrame>, shell::kAlgorithmFrameCount> kOptionCaptions = {{
    {kTarvo, kOkumura, kHesk, kDravik},
    {kOkumura, kTarvo, kHesk, kDravik},
    {kTarvo, kOkumura, kHesk, kDravik},
}};

QCheckBox* AddCheckBox(QVBoxLayout* layout, const char* name, const char* caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    layout->addWidget(box);
    return box;
}

}  // namespace

frmOptions::frmOptions(AppServices& services, QWidget* parent) : QDialog(parent), services_(services) {
    setObjectName("frmOptions");
    setWindowTitle(kCaption);

    tabs_ = new QTabBar;
    tabs_->setObjectName("TabStrip1");
    tabs_->addTab("&General");
    tabs_->addTab("&Compression");
    tabs_->addTab("&Viewers");
    tabs_->setExpanding(false);

    panels_ = new QStackedWidget;
    panels_->setFrameShape(QFrame::StyledPanel);
    panels_->addWidget(BuildGeneralPage());
    panels_->addWidget(BuildCompressionPage());
    panels_->addWidget(BuildViewersPage());

    auto* cmdOK = new QPushButton("OK");
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton("Cancel");
    cmdCancel->setObjectName("cmdCancel");
    auto* cmdApply = new QPushButton("&Apply");
    cmdApply->setObjectName("cmdApply");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(panels_, 1);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::Apply);
    connect(tabs_, &QTabBar::currentChanged, this, &frmOptions::OnTabChosen);
    connect(chkEnableCOptions_, &QCheckBox::clicked, this, &frmOptions::OnEnableCOptions);

    LoadForm();
    resize(560, 440);
}

QWidget* frmOptions::BuildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName("picGeneral");
    auto* layout = new QVBoxLayout(page);
    chkItemsIndexTarvoDeCOMP_ = AddCheckBox(layout, "chkItemsIndexTarvoDeCOMP",
                                            "Index items in the items list as TarvoDeCOMP does");
    chkGridLines_ = AddCheckBox(layout, "chkGridLines", "Show grid-lines in the items list");
    chkColumnsReordering_ =
        AddCheckBox(layout, "chkColumnsReordering", "Allow re-ordering of the columns in the items list");
    chkRowsSelection_ =
        AddCheckBox(layout, "chkRowsSelection", "Select the whole row in the items list (Details view only)");
    chkEnableCOptions_ = AddCheckBox(layout, "chkEnableCOptions", "&Enable the compression options");
    chkBenchmark_ = AddCheckBox(layout, "chkBenchmark",
                                "Enable benchmarking of the compression, and de-compression, algorithms");
    chkDragDrop_ = AddCheckBox(layout, "chkDragDrop", "Enable the Drag-and-Drop &interface with Windows Explorer");
    layout->addStretch();
    return page;
}

QWidget* frmOptions::BuildCompressionPage() {
    auto* page = new QWidget;
    page->setObjectName("picCompression");
    auto* layout = new QVBoxLayout(page);
    for (std::size_t f = 0; f < kFrames.size(); ++f) {
        auto* frame = new QGroupBox(kFrames[f].Caption);
        frame->setObjectName(kFrames[f].Name);
        auto* grid = new QGridLayout(frame);
        for (std::size_t b = 0; b < kFrames[f].OptionNames.size(); ++b) {
            auto* option = new QRadioButton(kOptionCaptions[f][b]);
            option->setObjectName(kFrames[f].OptionNames[b]);
            grid->addWidget(option, static_cast<int>(b / 2), static_cast<int>(b % 2));
            options_[f][b] = option;
        }
        frames_[f] = frame;
        layout->addWidget(frame);
    }
    layout->addStretch();
    return page;
}

QWidget* frmOptions::BuildViewersPage() {
    auto* page = new QWidget;
    page->setObjectName("picViewers");
    auto* layout = new QVBoxLayout(page);
    // Push buttons rather than tool buttons: these keep the "..." and the
    // underlined access keys of the captions.
    auto* cmdAddViewer = new QPushButton("A&dd...");
    cmdAddViewer->setObjectName("cmdAddViewer");
    auto* cmdRemoveViewer = new QPushButton("&Remove");
    cmdRemoveViewer->setObjectName("cmdRemoveViewer");
    auto* toolBar = new QHBoxLayout;
    for (QPushButton* button : {cmdAddViewer, cmdRemoveViewer}) {
        button->setAutoDefault(false);
        toolBar->addWidget(button);
    }
    toolBar->addStretch();
    lstViewers_ = new QTreeWidget;
    lstViewers_->setObjectName("lstViewers");
    lstViewers_->setHeaderLabels({"Extension", "Path"});
    lstViewers_->setRootIsDecorated(false);
    lstViewers_->setUniformRowHeights(true);
    lstViewers_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addLayout(toolBar);
    layout->addWidget(lstViewers_, 1);

    connect(cmdAddViewer, &QPushButton::clicked, this, [this] { Guarded([this] { AddViewer(); }); });
    connect(cmdRemoveViewer, &QPushButton::clicked, this, [this] { Guarded([this] { RemoveViewer(); }); });
    connect(lstViewers_, &QTreeWidget::itemDoubleClicked, this,
            [this] { Guarded([this] { ChangeViewerProgram(); }); });
    return page;
}

void frmOptions::LoadForm() {
    const shell::OptionsForm form = shell::FormFromSettings(services_.CurrentSettings());
    chkItemsIndexTarvoDeCOMP_->setChecked(form.ItemsIndexTarvoDeCOMP);
    chkGridLines_->setChecked(form.GridLines);
    chkColumnsReordering_->setChecked(form.ColumnsReordering);
    chkRowsSelection_->setChecked(form.RowsSelection);
    chkEnableCOptions_->setChecked(form.EnableCOptions);
    chkDragDrop_->setChecked(form.EnableDragDrop);
    for (std::size_t f = 0; f < options_.size(); ++f) {
        if (form.Selected[f] >= 0) options_[f][static_cast<std::size_t>(form.Selected[f])]->setChecked(true);
    }
    OnEnableCOptions();
    ShowPage(shell::kPageGeneral);
    UpdateViewers();
}

shell::OptionsForm frmOptions::ReadForm() const {
    shell::OptionsForm form;
    form.ItemsIndexTarvoDeCOMP = chkItemsIndexTarvoDeCOMP_->isChecked();
    form.GridLines = chkGridLines_->isChecked();
    form.ColumnsReordering = chkColumnsReordering_->isChecked();
    form.RowsSelection = chkRowsSelection_->isChecked();
    form.EnableCOptions = chkEnableCOptions_->isChecked();
    form.EnableDragDrop = chkDragDrop_->isChecked();
    for (std::size_t f = 0; f < options_.size(); ++f) {
        for (std::size_t b = 0; b < options_[f].size(); ++b) {
            if (options_[f][b]->isChecked()) form.Selected[f] = static_cast<int>(b);
        }
    }
    return form;
}

void frmOptions::Apply() {
    shell::ApplyForm(ReadForm(), services_.CurrentSettings());
    services_.ApplySettings();
}

void frmOptions::OnTabChosen(int index) {
    ShowPage(shell::ChangeOptionsPage(pages_, index, chkEnableCOptions_->isChecked()));
}

void frmOptions::OnEnableCOptions() {
    const bool enabled = chkEnableCOptions_->isChecked();
    // The decoder's frame stays enabled; only its buttons follow the box.
    frames_[0]->setEnabled(enabled);
    frames_[1]->setEnabled(enabled);
    for (auto& frame : options_) {
        for (QRadioButton* option : frame) option->setEnabled(enabled);
    }
    ShowPage(shell::ApplyCompressionEnabled(pages_, enabled));
}

void frmOptions::ShowPage(int page) {
    const QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(page);
    panels_->setCurrentIndex(page);
}

void frmOptions::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FixColumns();
}

void frmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FixColumns();
}

void frmOptions::FixColumns() {
    const int width = lstViewers_->viewport()->width();
    lstViewers_->setColumnWidth(0, width / 4);
    lstViewers_->setColumnWidth(1, width - width / 4);
}

void frmOptions::UpdateViewers() {
    lstViewers_->clear();
    for (const shell::ViewerEntry& viewer : services_.CurrentViewers()) {
        lstViewers_->addTopLevelItem(
            new QTreeWidgetItem(QStringList{FromText(shell::FixedExtension(viewer.Extension)), FromPath(viewer.Path)}));
    }
}

void frmOptions::AddViewer() {
    const std::optional<std::string> answer =
        services_.Ask().Input(shell::kAddViewerPrompt, shell::kAddViewerTitle, shell::kAddViewerDefault);
    if (!answer) return;
    const std::optional<std::string> extension = shell::ViewerExtensionFromAnswer(*answer);
    if (!extension) return;
    shell::FileDialogRequest request;
    request.Filter = shell::kViewerProgramFilter;
    request.ExecutablesFirst = true;
    const std::optional<std::string> program = services_.Ask().OpenFile(request);
    if (!program) return;
    shell::AddViewer(services_.CurrentViewers(), *extension, *program);
    UpdateViewers();
}

void frmOptions::RemoveViewer() {
    shell::RemoveLastViewer(services_.CurrentViewers());
    UpdateViewers();
}

void frmOptions::ChangeViewerProgram() {
    shell::Viewers& viewers = services_.CurrentViewers();
    const int row = lstViewers_->indexOfTopLevelItem(lstViewers_->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= viewers.size()) return;
    shell::FileDialogRequest request;
    request.Filter = shell::kViewerProgramFilter;
    request.ExecutablesFirst = true;
    request.InitialPath = viewers[static_cast<std::size_t>(row)].Path;
    const std::optional<std::string> program = services_.Ask().OpenFile(request);
    if (!program) return;
    viewers[static_cast<std::size_t>(row)].Path = *program;
    UpdateViewers();
}

template <typename Fn>
void frmOptions::Guarded(Fn&& fn) {
    try {
        fn();
    } catch (const archive::Error& e) {
        services_.Ask().Message(e.Description, kCaption, shell::MessageIcon::Critical, shell::MessageButtons::Ok);
    } catch (const std::exception& e) {
        services_.Ask().Message(e.what(), kCaption, shell::MessageIcon::Critical, shell::MessageButtons::Ok);
    }
}

void ShowOptions(AppServices& services) {
    frmOptions dialog(services, services.MainWidget());
    dialog.exec();
}

}  // namespace app
