// The real dialogs behind shell::Dialogs: Qt message boxes, input boxes and
// Qt's own (non-native) file dialogs, parented to one window.
#pragma once

#include <QString>
#include <QStringList>

#include "shell/dialogs.h"

class QWidget;

namespace app {

// Latin-1 program text <-> QString, and file-system path bytes <-> QString.
QString FromText(const std::string& text);
std::string ToText(const QString& text);
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);
// A message, question or title that may hold paths among the program's
// words: paths are named as the file system names them (UTF-8), so a text
// that is valid UTF-8 is read as a path is; any other is Latin-1 (the
// program's own texts and the texts of its files).
QString FromShown(const std::string& text);

// "desc|pat;pat|..." as Qt name filters ("desc (pat pat)"); "*.*" becomes "*"
// so that it also matches names without a dot.
QStringList QtNameFilters(const std::string& filter);

class QtDialogs : public shell::Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}

    shell::Answer Message(const std::string& text, const std::string& title, shell::MessageIcon icon,
                          shell::MessageButtons buttons) override;
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    std::optional<std::string> OpenFile(const shell::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const shell::FileDialogRequest& request) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;

private:
    QWidget* parent_;
};

}  // namespace app
