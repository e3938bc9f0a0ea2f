#include "app/hex_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <new>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/compression_dispatch.h"
#include "archive/error.h"
#include "archive/load.h"
#include "hexedit/key_filters.h"
#include "hexedit/texts.h"
#include "shell/edit_in_place.h"

namespace app {

// One of the four drawn areas; clicks on a grid go to the window.
class HexArea : public QWidget {
public:
    enum class Kind { RowLabels, ColumnHeader, HexGrid, ChrGrid };

    HexArea(HexWindow& window, Kind kind, const QRect& place, QWidget* parent)
        : QWidget(parent), window_(window), kind_(kind) {
        setGeometry(place);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const HexPageLayout& layout = window_.Layout();
        switch (kind_) {
        case Kind::RowLabels: DrawRowLabels(painter, layout, window_.ShownPage()); break;
        case Kind::ColumnHeader: DrawColumnHeader(painter, layout); break;
        case Kind::HexGrid: DrawHexGrid(painter, layout, window_.ShownPage()); break;
        case Kind::ChrGrid: DrawChrGrid(painter, layout, window_.ShownPage()); break;
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const HexPageLayout& layout = window_.Layout();
        int offset = -1;
        if (kind_ == Kind::HexGrid) offset = layout.OffsetAt(event->position().toPoint(), layout.HexCellWidth);
        if (kind_ == Kind::ChrGrid) offset = layout.OffsetAt(event->position().toPoint(), layout.ChrCellWidth);
        if (offset >= 0) window_.CellClicked(offset);
    }

private:
    HexWindow& window_;
    Kind kind_;
};

namespace {

constexpr const char* kAllFilesFilter = "(*.*)|*.*|";
constexpr int kPrinterError = 482;
constexpr int kOutOfMemory = 7;
// The printed picture is drawn at this many times its screen size, so that
// the text stays sharp on paper.
constexpr qreal kPrintScale = 4;

// The picture of imgEdit: an eye in view mode, a pencil in edit mode.
QIcon ModeIcon(bool editMode) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (editMode) {
        painter.setPen(QPen(QColor(0xC0, 0x60, 0x10), 4, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(7, 17), QPointF(19, 5));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::black);
        painter.drawPolygon(QPolygonF({QPointF(4, 20), QPointF(5.5, 15.5), QPointF(8.5, 18.5)}));
    } else {
        painter.setPen(QPen(Qt::black, 1.5));
        painter.drawEllipse(QRectF(3, 7, 18, 10));
        painter.setBrush(QColor(0x20, 0x50, 0xA0));
        painter.drawEllipse(QRectF(9, 9, 6, 6));
    }
    return QIcon(pixmap);
}

// imgOverWriteOn / imgOverwriteOff: "OVR" or "INS" in a frame.
QPixmap OverwritePicture(bool on, const QFont& font) {
    QPixmap pixmap(34, 18);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(on ? QColor(0xB0, 0x10, 0x10) : QColor(0x10, 0x60, 0x10));
    painter.drawRect(0, 0, 33, 17);
    QFont small = font;
    small.setPixelSize(11);
    small.setBold(true);
    painter.setFont(small);
    painter.drawText(QRect(0, 0, 34, 18), Qt::AlignCenter, on ? "OVR" : "INS");
    return pixmap;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& tip = {}) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    if (!tip.isEmpty()) button->setToolTip(tip);
    return button;
}

QPushButton* ArrowButton(QWidget* parent, const char* name, QStyle::StandardPixmap arrow, const QString& tip) {
    QPushButton* button = Button(parent, name, {}, tip);
    button->setIcon(parent->style()->standardIcon(arrow));
    return button;
}

QLabel* Label(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

// Sets the text cursor for the duration of a long command.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

HexWindow::HexWindow(AppServices& services, std::vector<std::uint8_t> bytes, std::string fileSpec,
                     const hexedit::HexSource& source, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      source_(source),
      layout_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
    setObjectName("frmVirAzodAzid2");
    setAttribute(Qt::WA_DeleteOnClose);
    printerSetup_ = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
    model_.Load(std::move(bytes), std::move(fileSpec));
    if (source_.FromItem) ticket_ = services_.Document().Ticket(source_.ItemIndex);
    services_.Document().AddEditor(this);
    BuildControls();
    if (source_.ItemEditing) model_.EnterEditMode();
    Refresh();
    if (model_.EditMode()) txbEdit_->setFocus();
}

HexWindow::~HexWindow() { services_.Document().RemoveEditor(this); }

void HexWindow::BuildControls() {
    auto* main = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    cmdFileOpen_ = Button(this, "cmdFileOpen", "Open file");
    cmdSave_ = Button(this, "cmdSave", "Save to file");
    cmdPrintPage_ = Button(this, "cmdPrintPage", "Print current page");
    QPushButton* cmdHelp = Button(this, "cmdHelp", "Help");
    QPushButton* cmdExit = Button(this, "cmdExit", "Exit");
    for (QWidget* w : {static_cast<QWidget*>(cmdFileOpen_), static_cast<QWidget*>(cmdSave_),
                       static_cast<QWidget*>(cmdPrintPage_)})
        fileRow->addWidget(w);
    fileRow->addStretch();
    fileRow->addWidget(cmdHelp);
    fileRow->addWidget(cmdExit);
    main->addLayout(fileRow);

    auto* specRow = new QHBoxLayout;
    lblFileSpec_ = Label(this, "lblFileSpec");
    lblFileSpec_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFileSize_ = Label(this, "lblFileSize");
    specRow->addWidget(lblFileSpec_, 1);
    specRow->addWidget(lblFileSize_);
    main->addLayout(specRow);

    auto* body = new QHBoxLayout;
    auto* picContainer = new QWidget(this);
    picContainer->setObjectName("picContainer");
    picContainer->setFixedSize(layout_.PictureSize);
    picOffSet1_ = new HexArea(*this, HexArea::Kind::RowLabels, layout_.RowLabels, picContainer);
    picOffset2_ = new HexArea(*this, HexArea::Kind::ColumnHeader, layout_.ColumnHeader, picContainer);
    picHexDisp_ = new HexArea(*this, HexArea::Kind::HexGrid, layout_.HexGrid, picContainer);
    picChrDisp_ = new HexArea(*this, HexArea::Kind::ChrGrid, layout_.ChrGrid, picContainer);
    picOffSet1_->setObjectName("picOffSet1");
    picOffset2_->setObjectName("picOffset2");
    picHexDisp_->setObjectName("picHexDisp");
    picChrDisp_->setObjectName("picChrDisp");
    body->addWidget(picContainer, 0, Qt::AlignTop);

    // The edit box sits over its hex cell, two digits wide.
    txbEdit_ = new QLineEdit(picHexDisp_);
    txbEdit_->setObjectName("txbEdit");
    txbEdit_->setFont(layout_.Font);
    txbEdit_->setFrame(false);
    txbEdit_->setTextMargins(0, 0, 0, 0);
    txbEdit_->setAlignment(Qt::AlignCenter);
    txbEdit_->setMaxLength(2);
    txbEdit_->setDragEnabled(false);
    txbEdit_->setAcceptDrops(false);
    txbEdit_->setStyleSheet("QLineEdit { background: #FFF4B0; border: 1px solid #D02020; padding: 0px; }");
    txbEdit_->setContextMenuPolicy(Qt::CustomContextMenu);
    txbEdit_->hide();
    overwriteMenu_ = new QMenu(this);
    mnuOverwrite_ = overwriteMenu_->addAction("Overwrite");
    mnuOverwrite_->setObjectName("mnuOverwrite");
    mnuOverwrite_->setCheckable(true);
    connect(mnuOverwrite_, &QAction::triggered, this, [this](bool on) { SetOverwrite(on); });
    connect(txbEdit_, &QLineEdit::customContextMenuRequested, this,
            [this](const QPoint& at) { overwriteMenu_->popup(txbEdit_->mapToGlobal(at)); });
    connect(txbEdit_, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (!syncing_) model_.SetEditCaret(now);
    });
    // Keys never reach the box (eventFilter), but a mouse paste does: the
    // model takes the text as it takes a paste, and the box shows the result.
    connect(txbEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.SetEditText(ToText(text));
        ShowEditBox();
    });

    auto* side = new QVBoxLayout;
    auto* modeRow = new QHBoxLayout;
    imgEdit_ = new QToolButton(this);
    imgEdit_->setObjectName("imgEdit");
    imgEdit_->setIconSize(QSize(24, 24));
    imgEdit_->setAutoRaise(true);
    imgOverWriteOn_ = Label(this, "imgOverWriteOn");
    imgOverWriteOn_->setPixmap(OverwritePicture(true, font()));
    imgOverWriteOn_->setToolTip(hexedit::kOverwriteOnTip);
    imgOverwriteOff_ = Label(this, "imgOverwriteOff");
    imgOverwriteOff_->setPixmap(OverwritePicture(false, font()));
    imgOverwriteOff_->setToolTip(hexedit::kOverwriteOffTip);
    modeRow->addWidget(imgEdit_);
    modeRow->addWidget(imgOverWriteOn_);
    modeRow->addWidget(imgOverwriteOff_);
    modeRow->addStretch();
    side->addLayout(modeRow);

    auto* nav = new QGridLayout;
    QPushButton* cmdFirst = Button(this, "cmdFirst", "First page");
    QPushButton* cmdPgUp = Button(this, "cmdPgUp", "Page Up");
    QPushButton* cmdPgDn = Button(this, "cmdPgDn", "Page Down");
    QPushButton* cmdLast = Button(this, "cmdLast", "Last page");
    QPushButton* cmdUp = ArrowButton(this, "cmdUp", QStyle::SP_ArrowUp, "Up one line");
    QPushButton* cmdDn = ArrowButton(this, "cmdDn", QStyle::SP_ArrowDown, "Down one line");
    cmdLeft_ = ArrowButton(this, "cmdLeft", QStyle::SP_ArrowLeft, "Left one character");
    cmdRight_ = ArrowButton(this, "cmdRight", QStyle::SP_ArrowRight, "Right one character");
    nav->addWidget(cmdFirst, 0, 0);
    nav->addWidget(cmdLast, 0, 1);
    nav->addWidget(cmdPgUp, 1, 0);
    nav->addWidget(cmdPgDn, 1, 1);
    nav->addWidget(cmdUp, 2, 0);
    nav->addWidget(cmdDn, 2, 1);
    nav->addWidget(cmdLeft_, 3, 0);
    nav->addWidget(cmdRight_, 3, 1);
    side->addLayout(nav);
    const std::pair<QAbstractButton*, hexedit::Nav> navButtons[] = {
        {cmdFirst, hexedit::Nav::FirstPage}, {cmdLast, hexedit::Nav::LastPage}, {cmdPgUp, hexedit::Nav::PageUp},
        {cmdPgDn, hexedit::Nav::PageDown},   {cmdUp, hexedit::Nav::LineUp},     {cmdDn, hexedit::Nav::LineDown},
        {cmdLeft_, hexedit::Nav::Left},      {cmdRight_, hexedit::Nav::Right},
    };
    for (const auto& [button, move] : navButtons) {
        // A click leaves the focus where it was (in edit mode, the edit box).
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QAbstractButton::clicked, this, [this, move = move] { Navigate(move); });
    }

    auto* values = new QGroupBox("Byte clicked", this);
    auto* valuesGrid = new QGridLayout(values);
    lblAscii_ = Label(values, "lblAscii");
    lblBinary_ = Label(values, "lblBinary");
    lblAscii_->setFont(layout_.Font);
    lblBinary_->setFont(layout_.Font);
    valuesGrid->addWidget(new QLabel("Value:", values), 0, 0);
    valuesGrid->addWidget(lblAscii_, 0, 1);
    valuesGrid->addWidget(new QLabel("Binary:", values), 1, 0);
    valuesGrid->addWidget(lblBinary_, 1, 1);
    valuesGrid->setColumnStretch(1, 1);
    side->addWidget(values);

    auto* search = new QGroupBox("Search", this);
    auto* searchBox = new QVBoxLayout(search);
    auto* modes = new QHBoxLayout;
    optHex_ = new QRadioButton("Hex", search);
    optHex_->setObjectName("OptSearch0");
    optChr_ = new QRadioButton("Chr", search);
    optChr_->setObjectName("OptSearch1");
    optHex_->setChecked(true);
    ckbCaseSensitive_ = new QCheckBox("Case sensitive", search);
    ckbCaseSensitive_->setObjectName("ckbCaseSensitive");
    modes->addWidget(optHex_);
    modes->addWidget(optChr_);
    modes->addWidget(ckbCaseSensitive_);
    modes->addStretch();
    searchBox->addLayout(modes);
    txbSearch_ = new QLineEdit(search);
    txbSearch_->setObjectName("txbSearch");
    searchBox->addWidget(txbSearch_);
    cmdSearchOrFindNext_ = Button(search, "cmdSearchOrFindNext", "Search / find next");
    cmdSearchFromStart_ = Button(search, "cmdSearchFromStart", "Search from start");
    searchBox->addWidget(cmdSearchOrFindNext_);
    searchBox->addWidget(cmdSearchFromStart_);
    side->addWidget(search);
    connect(optHex_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !syncing_) SetSearchMode(hexedit::SearchMode::Hex);
    });
    connect(optChr_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !syncing_) SetSearchMode(hexedit::SearchMode::Chr);
    });
    connect(ckbCaseSensitive_, &QCheckBox::toggled, this, [this](bool on) {
        if (!syncing_) model_.SetCaseSensitive(on);
    });
    connect(txbSearch_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!syncing_) model_.SetSearchText(ToText(text));
    });
    connect(cmdSearchOrFindNext_, &QPushButton::clicked, this, [this] { Search(false); });
    connect(txbSearch_, &QLineEdit::returnPressed, this, [this] { Search(false); });
    connect(cmdSearchFromStart_, &QPushButton::clicked, this, [this] { Search(true); });

    auto* goTo = new QGroupBox("Go to byte (decimal offset)", this);
    auto* goToRow = new QHBoxLayout(goTo);
    txbGoTo_ = new QLineEdit(goTo);
    txbGoTo_->setObjectName("txbGoTo");
    QPushButton* cmdGoTo = Button(goTo, "cmdGoTo", "Go to");
    goToRow->addWidget(txbGoTo_, 1);
    goToRow->addWidget(cmdGoTo);
    side->addWidget(goTo);
    side->addStretch();
    body->addLayout(side);
    main->addLayout(body, 1);

    connect(cmdFileOpen_, &QPushButton::clicked, this, &HexWindow::OpenFile);
    connect(cmdSave_, &QPushButton::clicked, this, [this] { SaveToFile(); });
    connect(cmdPrintPage_, &QPushButton::clicked, this, &HexWindow::PrintPage);
    connect(cmdHelp, &QPushButton::clicked, this, &HexWindow::Help);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    connect(imgEdit_, &QToolButton::clicked, this, &HexWindow::ToggleEditMode);
    connect(cmdGoTo, &QPushButton::clicked, this, &HexWindow::GoTo);
    connect(txbGoTo_, &QLineEdit::returnPressed, this, &HexWindow::GoTo);

    // Keys act on release wherever the focus is: every control reports to
    // the window first.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

std::string HexWindow::WindowCaption() const { return hexedit::Caption(source_, ItemUnchanged()); }

bool HexWindow::ItemUnchanged() const { return source_.FromItem && services_.Document().IsCurrent(ticket_); }

void HexWindow::Refresh() {
    page_ = model_.Page();
    setWindowTitle(FromText(WindowCaption()));
    lblFileSpec_->setText(FromPath(model_.FileSpec()));
    lblFileSize_->setText(FromText(model_.FileSizeLabel()));
    lblAscii_->setText(FromText(model_.AsciiLabel()));
    lblBinary_->setText(FromText(model_.BinaryLabel()));

    const hexedit::EnabledActions actions = model_.Actions();
    cmdSave_->setEnabled(actions.save);
    cmdPrintPage_->setEnabled(actions.printPage);
    cmdSearchOrFindNext_->setEnabled(actions.search);
    cmdSearchFromStart_->setEnabled(actions.searchFromStart);
    imgEdit_->setEnabled(actions.toggleEdit);
    cmdLeft_->setEnabled(actions.leftRight);
    cmdRight_->setEnabled(actions.leftRight);

    const bool edit = model_.EditMode();
    imgEdit_->setIcon(ModeIcon(edit));
    imgEdit_->setToolTip(edit ? hexedit::kEditModeTip : hexedit::kViewModeTip);
    imgOverWriteOn_->setVisible(edit && model_.Overwrite());
    imgOverwriteOff_->setVisible(edit && !model_.Overwrite());
    mnuOverwrite_->setChecked(model_.Overwrite());
    ShowEditBox();

    picOffSet1_->update();
    picHexDisp_->update();
    picChrDisp_->update();
}

void HexWindow::ShowEditBox() {
    if (!model_.EditMode()) {
        if (txbEdit_->hasFocus()) setFocus();
        txbEdit_->hide();
        return;
    }
    const int offset = static_cast<int>(model_.EditPosition() - model_.PageStart());
    // One pixel beyond the cell on each side, so the box's frame does not
    // cover the digits.
    txbEdit_->setGeometry(layout_.Cell(offset, layout_.HexCellWidth).adjusted(-1, -1, 1, 1));
    syncing_ = true;
    txbEdit_->setText(FromText(model_.EditText()));
    txbEdit_->setCursorPosition(model_.EditCaret());
    syncing_ = false;
    txbEdit_->show();
}

void HexWindow::Navigate(hexedit::Nav nav) {
    if (model_.Navigate(nav)) Refresh();
}

void HexWindow::CellClicked(int pageOffset) {
    if (!model_.ClickCell(pageOffset)) return;
    Refresh();
    if (model_.EditMode()) txbEdit_->setFocus();
}

bool HexWindow::NavigationKey(QObject* watched, const QKeyEvent& key, hexedit::Nav& nav) const {
    const bool shift = key.modifiers() & Qt::ShiftModifier;
    // The search and go-to boxes keep the keys that move their own caret.
    const bool textBox = watched == txbSearch_ || watched == txbGoTo_;
    switch (key.key()) {
    case Qt::Key_PageDown: nav = shift ? hexedit::Nav::PageLastByte : hexedit::Nav::PageDown; return true;
    case Qt::Key_PageUp: nav = shift ? hexedit::Nav::PageFirstByte : hexedit::Nav::PageUp; return true;
    case Qt::Key_Down: nav = hexedit::Nav::LineDown; return true;
    case Qt::Key_Up: nav = hexedit::Nav::LineUp; return true;
    case Qt::Key_Home: nav = hexedit::Nav::FirstPage; return !textBox;
    case Qt::Key_End: nav = hexedit::Nav::LastPage; return !textBox;
    case Qt::Key_Left: nav = hexedit::Nav::Left; return !textBox;
    case Qt::Key_Right: nav = hexedit::Nav::Right; return !textBox;
    default: return false;
    }
}

// A key typed into the edit box goes to the model, never to the box itself:
// the box only shows the model's text and caret.
bool HexWindow::EditBoxKey(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return false;
    bool changed = false;
    if (key.matches(QKeySequence::Paste)) {
        model_.SetEditText(ToText(QApplication::clipboard()->text()));
        changed = true;
    } else if (key.key() == Qt::Key_Backspace) {
        changed = model_.TypeEditKey(hexedit::kBackspaceKey);
    } else if (key.text().size() == 1 && key.text()[0].unicode() >= 32 && key.text()[0].unicode() < 256) {
        changed = model_.TypeEditKey(key.text()[0].unicode());
    }
    if (changed) ShowEditBox();
    return true;
}

bool HexWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QWidget::eventFilter(watched, event);
    // The overwrite pop-up keeps its own keys.
    if (auto* widget = qobject_cast<QWidget*>(watched); !widget || widget->window() != this) return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    hexedit::Nav nav;
    if (NavigationKey(watched, key, nav)) {
        if (type == QEvent::KeyRelease) Navigate(nav);
        return true;
    }
    if (type != QEvent::KeyPress) return false;
    if (watched == txbEdit_) return EditBoxKey(key);
    const QString text = key.text();
    // Delete (0x7F) edits the box like Backspace: no typed character.
    if (text.size() != 1 || text[0].unicode() < 32 || text[0].unicode() == 0x7F) return false;
    const int typed = text[0].unicode();
    if (watched == txbGoTo_) return hexedit::FilterNumericKey(typed) == 0;
    if (watched == txbSearch_ && model_.GetSearchMode() == hexedit::SearchMode::Hex) {
        const int filtered = hexedit::FilterHexKey(typed);
        if (filtered == typed) return false;
        if (filtered != 0) txbSearch_->insert(QString(QChar(filtered)));
        return true;
    }
    return false;
}

void HexWindow::ToggleEditMode() {
    if (!model_.ToggleEditMode()) return;
    Refresh();
    if (model_.EditMode()) txbEdit_->setFocus();
}

void HexWindow::SetOverwrite(bool on) {
    model_.SetOverwrite(on);
    Refresh();
}

void HexWindow::SetSearchMode(hexedit::SearchMode mode) {
    model_.SetSearchMode(mode);
    syncing_ = true;
    txbSearch_->setText(FromText(model_.SearchText()));
    ckbCaseSensitive_->setChecked(model_.CaseSensitive());
    syncing_ = false;
    Refresh();
}

void HexWindow::ShowResult(const hexedit::CommandResult& result) {
    Refresh();
    if (!result.message.empty())
        services_.Ask().Message(result.message, WindowCaption(), shell::MessageIcon::None, shell::MessageButtons::Ok);
}

void HexWindow::ShowError(const std::string& text) {
    services_.Ask().Message(text, WindowCaption(), shell::MessageIcon::Critical, shell::MessageButtons::Ok);
}

void HexWindow::Search(bool fromStart) {
    const QString text = txbSearch_->text();
    if (model_.Loaded() && model_.GetSearchMode() == hexedit::SearchMode::Chr &&
        std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; })) {
        services_.Ask().Message(hexedit::kNotLatin1SearchText, WindowCaption(), shell::MessageIcon::None,
                                shell::MessageButtons::Ok);
        return;
    }
    hexedit::CommandResult result;
    {
        WaitCursor wait;
        result = fromStart ? model_.SearchFromStart() : model_.SearchOrFindNext();
    }
    ShowResult(result);
}

void HexWindow::GoTo() {
    const hexedit::CommandResult result = model_.GoTo(ToText(txbGoTo_->text()));
    ShowResult(result);
    if (result.status == hexedit::CommandResult::Status::GoToTooLarge) txbGoTo_->setFocus();
}

void HexWindow::Help() {
    services_.Ask().Message(hexedit::HelpText(), WindowCaption(), shell::MessageIcon::None, shell::MessageButtons::Ok);
}

void HexWindow::OpenFile() {
    shell::FileDialogRequest request;
    request.Title = "Open file";
    request.Filter = kAllFilesFilter;
    request.FileMustExist = true;
    const std::optional<std::string> path = services_.Ask().OpenFile(request);
    if (!path) return;
    model_.CommitEdit();
    if (model_.Modified()) {
        const shell::Answer answer = services_.Ask().Message(hexedit::kLoadQuestion, WindowCaption(),
                                                             shell::MessageIcon::Question,
                                                             shell::MessageButtons::YesNoCancel);
        if (answer == shell::Answer::Cancel) return;
        if (answer == shell::Answer::Yes && !SaveToFile()) return;
    }
    try {
        archive::Bytes bytes;
        archive::ReadFromFile(*path, bytes);
        model_.Load(std::move(bytes), *path);
        // The window no longer shows the item it was opened on: closing
        // must never write the file's bytes into that item.
        source_ = hexedit::HexSource{};
    } catch (const archive::Error& e) {
        ShowError(hexedit::ErrMsgText(hexedit::kFileOpenProcedure, e.Number, e.Description));
    } catch (const std::bad_alloc&) {
        ShowError(hexedit::ErrMsgText(hexedit::kFileOpenProcedure, kOutOfMemory, "Out of memory"));
    }
    Refresh();
}

bool HexWindow::SaveToFile() {
    if (!model_.Loaded()) return false;
    shell::FileDialogRequest request;
    request.Title = "Save to file";
    request.Filter = kAllFilesFilter;
    // An item's name ("Item 1") is no file name to propose: the archive's
    // folder and a name made of the archive's, the item number and its
    // extension is.
    if (model_.FileSpec().find('/') != std::string::npos) {
        request.InitialPath = model_.FileSpec();
    } else if (source_.FromItem) {
        const archive::ItemTable& table = services_.Table();
        const std::string archivePath = services_.ScriptLink().CurrentFileName();
        const bool known = services_.IsArchiveOpen() && source_.ItemIndex < table.ItemCount;
        const std::string name =
            shell::ItemFileName(archivePath, source_.ItemIndex, known ? table[source_.ItemIndex].Extension : "");
        const std::size_t slash = archivePath.rfind('/');
        request.InitialPath = slash == std::string::npos ? name : archivePath.substr(0, slash + 1) + name;
    }
    request.OverwritePrompt = true;
    const std::optional<std::string> path = services_.Ask().SaveFile(request);
    if (!path) return false;
    try {
        hexedit::WriteBytesToFile(*path, model_.BytesToSave());
    } catch (const archive::Error& e) {
        ShowError(e.Description);
        Refresh();
        return false;
    }
    model_.MarkSaved(*path);
    Refresh();
    return true;
}

bool HexWindow::SaveHQRItem() {
    if (!hexedit::CanWriteBack(source_, ItemUnchanged())) return false;
    try {
        // One undo step; the document refreshes the list and selects the item.
        services_.Document().WriteBack(ticket_, model_.BytesToSave());
    } catch (const archive::Error& e) {
        ShowError(e.Description);
        Refresh();
        return false;
    } catch (const std::bad_alloc&) {
        ShowError("Out of memory");
        Refresh();
        return false;
    }
    model_.MarkSaved({});
    Refresh();
    return true;
}

bool HexWindow::QueryClose() {
    model_.CommitEdit();
    const hexedit::CloseOffer offer = hexedit::OfferOnClose(source_, model_.Modified(), ItemUnchanged());
    if (offer == hexedit::CloseOffer::None) return true;
    const char* question = offer == hexedit::CloseOffer::WriteBack ? hexedit::kWriteBackQuestion
                                                                   : hexedit::kLoadQuestion;
    const shell::Answer answer = services_.Ask().Message(question, WindowCaption(), shell::MessageIcon::Question,
                                                         shell::MessageButtons::YesNoCancel);
    if (answer == shell::Answer::Yes) return offer == hexedit::CloseOffer::WriteBack ? SaveHQRItem() : SaveToFile();
    return answer == shell::Answer::No;
}

void HexWindow::CloseWithArchive() {
    closingWithArchive_ = true;
    close();
}

void HexWindow::TableChanged() { setWindowTitle(FromText(WindowCaption())); }

void HexWindow::closeEvent(QCloseEvent* event) {
    if (closingWithArchive_ || QueryClose())
        event->accept();
    else
        event->ignore();
}

void HexWindow::PrintPage() {
    if (!model_.Loaded()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FromPath(model_.FileSpec()));
    if (!printerSetup_(printer)) return;
    const QImage picture = ComposePage(layout_, page_, kPrintScale);
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowError(hexedit::ErrMsgText(hexedit::kPrintPageProcedure, kPrinterError, "Printer error"));
        return;
    }
    const QRect area = painter.viewport();
    const QSize size = picture.size().scaled(area.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(area.topLeft(), size), picture);
    painter.end();
}

void ShowHexWindow(AppServices& services, std::int32_t item, HexOpenMode mode) {
    archive::ItemTable& table = services.Table();
    if (!services.IsArchiveOpen() || item < 0 || item >= table.ItemCount || table[item].IsBlank) return;
    const archive::ItemRecord& record = table[item];
    hexedit::HexSource source;
    source.FromItem = true;
    source.ItemIndex = item;
    source.ItemEditing = mode == HexOpenMode::Edit;
    source.StoredBytes = mode == HexOpenMode::ViewAsIs;
    std::vector<std::uint8_t> bytes;
    try {
        if (source.StoredBytes)
            bytes = record.Data;
        else
            archive::ExpandCompressedFile(record.Data, bytes, record.DecompressedSize, record.CompressionType,
                                          services.Methods());
    } catch (const archive::Error& e) {
        services.Ask().Message(e.Description, services.Caption(), shell::MessageIcon::Critical,
                               shell::MessageButtons::Ok);
        return;
    } catch (const std::bad_alloc&) {
        services.Ask().Message("Out of memory", services.Caption(), shell::MessageIcon::Critical,
                               shell::MessageButtons::Ok);
        return;
    }
    auto* window = new HexWindow(services, std::move(bytes), "Item " + std::to_string(item), source,
                                 services.MainWidget());
    window->show();
}

}  // namespace app
