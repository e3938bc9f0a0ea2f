#include "app/frm_script.h"

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
    lblScriptFile_ = new QLabel;
    lblScriptFile_->setObjectName("lblScriptFile");
    lblScriptFile_->setTextFormat(Qt::PlainText);
    cmdScriptFile_ = Button("cmdScriptFile", "...");
    cmdScriptFile_->setToolTip("Choose a script file");
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
    QTextCursor end(txtDebug_->document());
    end.movePosition(QTextCursor::End);
    script::RunEnvironment environment(services_.Table(), services_.ScriptLink(), [&end](const std::string& message) {
        end.insertText(FromText(message) + '\n');
    });
    environment.Methods = services_.Methods();
    script::RunScript(*path, environment);
    txtDebug_->moveCursor(QTextCursor::End);
    txtDebug_->ensureCursorVisible();
}

void ShowScriptEditor(AppServices& services) {
    frmScript window(services, services.MainWidget());
    window.exec();
}

}  // namespace app
