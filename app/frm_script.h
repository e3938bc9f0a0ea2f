// frmScript: types, saves, chooses and runs scripts. The commands' decisions
// live in shell::ScriptEditor; this window holds the two text boxes.
#pragma once

#include <QDialog>

#include "shell/script_editor.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace app {

class AppServices;

class frmScript : public QDialog {
    Q_OBJECT

public:
    explicit frmScript(AppServices& services, QWidget* parent = nullptr);

    // OK, Esc and the frame all end here: the window closes only when
    // QuerySave lets it.
    void done(int result) override;

    // Run: QuerySave, then the chosen script through the runner, each message
    // appended to txtDebug as it comes.
    void RunScript();

private:
    void ChooseScript();
    void ShowScriptPath();

    AppServices& services_;
    shell::ScriptEditor editor_;
    QPlainTextEdit* txtEdit_ = nullptr;
    QPlainTextEdit* txtDebug_ = nullptr;
    QLabel* lblScriptFile_ = nullptr;
    QPushButton* cmdScriptFile_ = nullptr;
    bool loading_ = false;
};

}  // namespace app
