#include "app/frm_script.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "script/run_script.h"

namespace app {

namespace {

// A long run shows its log this often while it goes on.
constexpr int kLogBatchMilliseconds = 250;

QPushButton* Button(const char* name, const char* caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    return button;
}

QPlainTextEdit* TextBox(const char* name) {
    auto* box = new QPlainTextEdit;
    box->setObjectName(name);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    return box;
}

}  // namespace

frmScript::frmScript(AppServices& services, QWidget* parent)
    : QDialog(parent), services_(services), editor_(services.Ask(), [this] { return ToText(txtEdit_->toPlainText()); }) {
    setObjectName("frmScript");
    setWindowTitle(shell::kScriptEditorCaption);

    txtEdit_ = TextBox("txtEdit");
    txtDebug_ = TextBox("txtDebug");
    txtDebug_->setReadOnly(true);
    txtDebug_->setUndoRedoEnabled(false);  // the log only grows; keeping undo steps doubles its cost
    lblScriptFile_ = new QLabel;
    lblScriptFile_->setObjectName("lblScriptFile");
    lblScriptFile_->setTextFormat(Qt::PlainText);
    cmdScriptFile_ = Button("cmdScriptFile", "...");
    cmdScriptFile_->setToolTip("Choose a script file");
    cmdScriptFile_->setFixedWidth(cmdScriptFile_->fontMetrics().horizontalAdvance("...") + 24);
    auto* cmdRunScript = Button("cmdRunScript", "&Run");
    auto* cmdSave = Button("cmdSave", "&Save");
    auto* cmdSaveAs = Button("cmdSaveAs", "Save &As");
    auto* cmdOK = Button("cmdOK", "OK");
    cmdOK->setDefault(false);
    cmdOK->setAutoDefault(false);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(lblScriptFile_, 1);
    fileRow->addWidget(cmdScriptFile_);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRunScript);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdSaveAs);
    buttons->addStretch();
    buttons->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(txtEdit_, 3);
    layout->addWidget(new QLabel("Log:"));
    layout->addWidget(txtDebug_, 2);
    layout->addLayout(buttons);
    for (QPushButton* button : {cmdScriptFile_, cmdRunScript, cmdSave, cmdSaveAs}) button->setAutoDefault(false);

    connect(txtEdit_, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) editor_.TextChanged();
    });
    connect(cmdScriptFile_, &QPushButton::clicked, this, &frmScript::ChooseScript);
    connect(cmdRunScript, &QPushButton::clicked, this, &frmScript::RunScript);
    connect(cmdSave, &QPushButton::clicked, this, [this] {
        editor_.Save();
        ShowScriptPath();
    });
    connect(cmdSaveAs, &QPushButton::clicked, this, [this] {
        editor_.SaveAs();
        ShowScriptPath();
    });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    ShowScriptPath();
    resize(640, 520);
}

void frmScript::done(int result) {
    if (!editor_.MayClose()) return;
    QDialog::done(result);
}

void frmScript::ShowScriptPath() { lblScriptFile_->setText(FromPath(editor_.ScriptFileCaption())); }

void frmScript::ChooseScript() {
    const shell::ScriptEditor::Choice choice = editor_.Choose();
    if (!choice.Chosen) return;
    if (choice.Text) {
        loading_ = true;
        txtEdit_->setPlainText(FromText(*choice.Text));
        loading_ = false;
    }
    ShowScriptPath();
    if (!editor_.Path().empty()) cmdScriptFile_->setEnabled(false);
}

void frmScript::RunScript() {
    const std::optional<std::string> path = editor_.PathToRun();
    ShowScriptPath();
    if (!path) return;
    // Messages are taken as they come and shown in batches: one insertion
    // per message costs far more than the run itself on long scripts, and
    // nothing is drawn during the run except when a batch is shown.
    QString pending;
    QElapsedTimer sinceShown;
    sinceShown.start();
    auto show = [&] {
        QTextCursor end(txtDebug_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(pending);
        pending.clear();
        txtDebug_->moveCursor(QTextCursor::End);
        txtDebug_->ensureCursorVisible();
        sinceShown.restart();
    };
    script::RunEnvironment environment(services_.Table(), services_.ScriptLink(), [&](const std::string& message) {
        pending += FromText(message);
        pending += '\n';
        if (sinceShown.elapsed() >= kLogBatchMilliseconds && txtDebug_->isVisible()) {
            show();
            txtDebug_->viewport()->repaint();
        }
    });
    environment.Methods = services_.Methods();
    // One undo step; a run that changed the open archive marks it modified,
    // and the list shows the result while this window stays open.
    services_.Document().RunScript([&] { return script::RunScript(*path, environment); },
                                   services_.SelectedItem() + 1);
    show();
}
void ShowScriptEditor(AppServices& services) {
    frmScript window(services, services.MainWidget());
    window.exec();
}

}  // namespace app
