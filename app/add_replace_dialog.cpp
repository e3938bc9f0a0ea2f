#include "app/add_replace_dialog.h"

#include <algorithm>
#include <exception>

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/error.h"

namespace app {

namespace {

// Room for a path of some length before it is shortened in the middle.
constexpr int kFileLabelWidth = 300;
// Keeps the path off the label's sunken border.
constexpr int kFileLabelIndent = 4;

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The instruction, on one line when it is short enough, else wrapped.
QLabel* MessageLabel(const std::string& text) {
    constexpr int kWidest = 420;
    QLabel* label = Named(new QLabel(FromText(text)), "lblMessage");
    label->setWordWrap(true);
    label->setMinimumWidth(std::min(label->fontMetrics().horizontalAdvance(label->text()) + 2, kWidest));
    return label;
}

// An up-down with its number box; the box is what the user types into and
// what OK reads, so it carries the box's name for tests and accessibility.
QSpinBox* UpDown(const char* name, const char* boxName, const shell::NumberRange& range) {
    QSpinBox* upDown = Named(new QSpinBox, name);
    upDown->setRange(range.Low, range.High);
    upDown->setValue(range.Value);
    upDown->setMinimumWidth(80);
    if (QLineEdit* box = upDown->findChild<QLineEdit*>()) box->setObjectName(QString::fromLatin1(boxName));
    return upDown;
}

// Both dialogs: the instruction, the choices, then OK and Cancel; the dialog
// keeps the size its contents need. Returns the button box for OK's handler.
QDialogButtonBox* LayOutDialog(QDialog* dialog, const std::string& message, QGridLayout* choices) {
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "cmdOK");
    Named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole), "cmdCancel");
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);

    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(MessageLabel(message));
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return buttons;
}

void ShowProblem(AppServices& services, const std::string& text, const std::string& caption) {
    services.Ask().Message(text, caption, shell::MessageIcon::Critical, shell::MessageButtons::Ok);
}

// Runs what OK decided. False when the dialog must stay open: a problem with
// the input or a failed operation, shown to the user; nothing changed then.
bool Carry(AppServices& services, const shell::OkOutcome& outcome, const std::string& caption) {
    if (!outcome.Problem.empty()) {
        ShowProblem(services, outcome.Problem, caption);
        return false;
    }
    if (!outcome.Call) return true;
    const shell::ItemCall& call = *outcome.Call;
    try {
        services.RunItemOperation(call.Item, call.Code, call.Number, call.File, call.Count);
    } catch (const archive::Error& error) {
        ShowProblem(services, error.Description, caption);
        return false;
    } catch (const std::exception& error) {
        ShowProblem(services, error.what(), caption);
        return false;
    }
    return true;
}

}  // namespace

AddReplaceDialog::AddReplaceDialog(AppServices& services, shell::AddReplaceMode mode, std::int32_t item,
                                   QWidget* parent)
    : QDialog(parent),
      services_(services),
      mode_(mode),
      item_(item),
      setup_(shell::SetUpAddReplace(services.Table(), mode, item)) {
    setObjectName(QStringLiteral("frmAddReplace"));
    setWindowTitle(FromText(setup_.Caption));

    optFile_ = Named(new QRadioButton(QStringLiteral("&File")), "optFile");
    optPointer_ = Named(new QRadioButton(QStringLiteral("&Pointer")), "optPointer");
    optBlankItem_ = Named(new QRadioButton(QStringLiteral("&Blank item")), "optBlankItem");
    auto* choices = new QButtonGroup(this);
    for (QRadioButton* option : {optFile_, optPointer_, optBlankItem_}) {
        choices->addButton(option);
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ApplyChoice();
        });
    }

    lblFileName_ = Named(new QLabel, "lblFileName");
    lblFileName_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lblFileName_->setFixedWidth(kFileLabelWidth);
    lblFileName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFileName_->setIndent(kFileLabelIndent);
    cmdBrowse_ = Named(new QPushButton(QStringLiteral("...")), "cmdBrowse");
    cmdBrowse_->setToolTip(QStringLiteral("Choose the file"));
    cmdBrowse_->setFixedWidth(cmdBrowse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    connect(cmdBrowse_, &QPushButton::clicked, this, &AddReplaceDialog::Browse);

    frmCType_ = Named(new QGroupBox(QStringLiteral("Compression type")), "frmCType");
    types_ = new QButtonGroup(this);
    auto* typeRow = new QHBoxLayout(frmCType_);
    const char* const typeNames[] = {"optCType0", "optCType1", "optCType2"};
    const char* const typeCaptions[] = {"Store (0)", "LZSS (1)", "LZMIT (2)"};
    for (int type = 0; type < 3; ++type) {
        QRadioButton* option = Named(new QRadioButton(QString::fromLatin1(typeCaptions[type])), typeNames[type]);
        types_->addButton(option, type);
        typeRow->addWidget(option);
    }
    typeRow->addStretch();
    types_->button(1)->setChecked(true);

    lblToItem_ = Named(new QLabel(QStringLiteral("To item:")), "lblToItem");
    udToItem_ = UpDown("udToItem", "txtToItem", setup_.ToItem);
    lblToItem_->setBuddy(udToItem_);

    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 20);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(lblFileName_);
    fileRow->addWidget(cmdBrowse_);
    grid->addWidget(optFile_, 0, 0);
    grid->addLayout(fileRow, 0, 1);
    grid->addWidget(frmCType_, 1, 1);
    auto* pointerRow = new QHBoxLayout;
    pointerRow->addWidget(lblToItem_);
    pointerRow->addWidget(udToItem_);
    pointerRow->addStretch();
    grid->addWidget(optPointer_, 2, 0);
    grid->addLayout(pointerRow, 2, 1);
    grid->addWidget(optBlankItem_, 3, 0);

    connect(LayOutDialog(this, setup_.Message, grid), &QDialogButtonBox::accepted, this, &AddReplaceDialog::Confirm);

    if (setup_.StoreOnly) {
        types_->button(0)->setChecked(true);
        for (int type = 1; type < 3; ++type) {
            types_->button(type)->setEnabled(false);
            types_->button(type)->setVisible(false);
        }
        frmCType_->setVisible(false);
    }
    optFile_->setChecked(true);
    ApplyChoice();
    optPointer_->setEnabled(setup_.PointerAvailable);
}

shell::ItemSource AddReplaceDialog::Source() const {
    if (optPointer_->isChecked()) return shell::ItemSource::Pointer;
    if (optBlankItem_->isChecked()) return shell::ItemSource::Blank;
    return shell::ItemSource::File;
}

void AddReplaceDialog::ApplyChoice() {
    const shell::ChoiceControls controls = shell::ControlsFor(Source());
    lblFileName_->setEnabled(controls.File);
    cmdBrowse_->setEnabled(controls.File);
    frmCType_->setEnabled(controls.Compression);
    lblToItem_->setEnabled(controls.ToItem);
    udToItem_->setEnabled(controls.ToItem);
}

void AddReplaceDialog::ShowFileName() {
    const QString path = FromPath(fileName_);
    const int room = lblFileName_->contentsRect().width() - 2 * kFileLabelIndent;
    lblFileName_->setText(lblFileName_->fontMetrics().elidedText(path, Qt::ElideMiddle, room));
    lblFileName_->setToolTip(path);
}

void AddReplaceDialog::Browse() {
    shell::FileDialogRequest request;
    request.Title = setup_.Caption;
    request.Filter = shell::kAddReplaceFileFilter;
    request.FileMustExist = true;
    try {
        if (std::optional<std::string> path = services_.Ask().OpenFile(request)) {
            fileName_ = *path;
            ShowFileName();
        }
    } catch (const std::exception& error) {
        ShowProblem(services_, error.what(), setup_.Caption);
    }
}

void AddReplaceDialog::Confirm() {
    shell::AddReplaceInput input;
    input.Mode = mode_;
    input.Item = item_;
    input.Source = Source();
    input.File = fileName_;
    input.Type = static_cast<std::int16_t>(types_->checkedId());
    input.ToItemText = ToText(udToItem_->text());
    if (Carry(services_, shell::DecideAddReplace(services_.Table(), setup_, input), setup_.Caption)) accept();
}

AddMultipleItemsDialog::AddMultipleItemsDialog(AppServices& services, std::int32_t item, QWidget* parent)
    : QDialog(parent), services_(services), item_(item), setup_(shell::SetUpAddMultiple(services.Table(), item)) {
    setObjectName(QStringLiteral("frmAddMultipleItems"));
    setWindowTitle(FromText(setup_.Caption));

    optPointer_ = Named(new QRadioButton(QStringLiteral("&Pointer")), "optPointer");
    optBlankItem_ = Named(new QRadioButton(QStringLiteral("&Blank item")), "optBlankItem");
    auto* choices = new QButtonGroup(this);
    for (QRadioButton* option : {optPointer_, optBlankItem_}) {
        choices->addButton(option);
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ApplyChoice();
        });
    }
    lblToItem_ = Named(new QLabel(QStringLiteral("To item:")), "lblToItem");
    udToItem_ = UpDown("udToItem", "txtToItem", setup_.ToItem);
    lblToItem_->setBuddy(udToItem_);
    QLabel* lblCount = Named(new QLabel(QStringLiteral("Count:")), "lblCount");
    udCount_ = UpDown("udCount", "txtCount", setup_.Count);
    lblCount->setBuddy(udCount_);

    auto* grid = new QGridLayout;
    grid->addWidget(optPointer_, 0, 0);
    grid->addWidget(lblToItem_, 0, 1);
    grid->addWidget(udToItem_, 0, 2);
    grid->addWidget(optBlankItem_, 1, 0);
    grid->addWidget(lblCount, 2, 1);
    grid->addWidget(udCount_, 2, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(0, 110);

    connect(LayOutDialog(this, setup_.Message, grid), &QDialogButtonBox::accepted, this, &AddMultipleItemsDialog::Confirm);

    optPointer_->setChecked(true);
    ApplyChoice();
    if (!setup_.PointerAvailable) {
        optPointer_->setEnabled(false);
        optBlankItem_->setChecked(true);
    }
}

void AddMultipleItemsDialog::ApplyChoice() {
    const bool toItem = shell::ControlsFor(optPointer_->isChecked() ? shell::ItemSource::Pointer
                                                                      : shell::ItemSource::Blank)
                            .ToItem;
    lblToItem_->setEnabled(toItem);
    udToItem_->setEnabled(toItem);
}

void AddMultipleItemsDialog::Confirm() {
    shell::AddMultipleInput input;
    input.Item = item_;
    input.Source = optPointer_->isChecked() ? shell::ItemSource::Pointer : shell::ItemSource::Blank;
    input.ToItemText = ToText(udToItem_->text());
    input.CountText = ToText(udCount_->text());
    if (Carry(services_, shell::DecideAddMultiple(setup_, input), setup_.Caption)) accept();
}

void ShowAddReplace(AppServices& services, int mode, std::int32_t item) {
    AddReplaceDialog dialog(services, mode == 1 ? shell::AddReplaceMode::Replace : shell::AddReplaceMode::Add, item,
                            services.MainWidget());
    dialog.exec();
}

void ShowAddMultipleItems(AppServices& services, std::int32_t item) {
    AddMultipleItemsDialog dialog(services, item, services.MainWidget());
    dialog.exec();
}

}  // namespace app
