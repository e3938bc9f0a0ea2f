// View (F3) with edit in place: the item goes to a file of its own in the
// program's private folder, to the viewer configured for its extension or
// else to the desktop's default application; the file is watched, and once
// it has been quiet for a second after a change the main window asks whether
// to put it back (shell::ItemViews decides what each answer does).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "shell/edit_in_place.h"

class QTimer;

namespace app {

class AppServices;

// Opens path with the desktop's default application; false when none could.
using OpenWithDesktop = std::function<bool(const std::string& path)>;
// QDesktopServices::openUrl on the file (which runs xdg-open here).
bool OpenWithDesktopDefault(const std::string& path);

class ItemViewWatcher : public QObject {
public:
    // folderBase: where the private folder lies (empty: the system's
    // temporary folder). The folder and its files go with this object.
    ItemViewWatcher(AppServices& services, std::string folderBase, OpenWithDesktop openWithDesktop,
                    QObject* parent = nullptr);
    ~ItemViewWatcher() override;

    // ViewItem for item, whose upper-case extension is `extension` and whose
    // configured viewer is program (empty for none): the item goes to its
    // file in the private folder (recorded as the extraction to DUMMY.ext in
    // the program folder it always was) and the program starts on it. A missing
    // program file starts nothing and says nothing; with no viewer and no
    // default application either, the hex viewer shows the item. Throws the
    // extraction's errors.
    void View(std::int32_t item, const std::string& extension, const std::string& program);

    const shell::ItemViews& Views() const { return views_; }
    // How long a changed file must stay unchanged before the question.
    void SetQuietMilliseconds(int ms) { quietMs_ = ms; }

private:
    void Watch(const std::string& path);
    void Noticed(const QString& path);
    void FolderChanged();
    void Quiet(const QString& path);

    AppServices& services_;
    OpenWithDesktop openWithDesktop_;
    shell::ItemViews views_;
    QFileSystemWatcher watcher_;
    std::map<QString, QTimer*> timers_;
    int quietMs_ = 1000;
    bool asking_ = false;
};

}  // namespace app
