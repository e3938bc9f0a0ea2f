#include "app/item_view_watcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>

#include <exception>
#include <filesystem>
#include <system_error>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "app/windows.h"
#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/program_directory.h"

namespace app {

bool OpenWithDesktopDefault(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(path)));
}

ItemViewWatcher::ItemViewWatcher(AppServices& services, std::string folderBase, OpenWithDesktop openWithDesktop,
                                 QObject* parent)
    : QObject(parent),
      services_(services),
      openWithDesktop_(openWithDesktop ? std::move(openWithDesktop) : OpenWithDesktopDefault),
      views_(std::move(folderBase)) {
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &ItemViewWatcher::Noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &ItemViewWatcher::FolderChanged);
}

ItemViewWatcher::~ItemViewWatcher() = default;

void ItemViewWatcher::View(std::int32_t item, const std::string& extension, const std::string& program) {
    archive::ItemTable& table = services_.Table();
    // A blank item has nothing to show; the hex viewer would not open either.
    if (program.empty() && table[item].IsBlank) return;
    const std::string shownName =
        program.empty() ? std::string(shell::kDefaultApplication) : std::filesystem::path(program).filename().string();
    // Recorded as the extraction to DUMMY.ext in the program folder always
    // was; the file itself goes to the private folder, so two programs
    // running never share it and the program folder need not be writable.
    const std::string path = views_.View(services_.Document(), item, services_.ScriptLink().CurrentFileName(),
                                         shownName, archive::ProgramDirectory() + "DUMMY." + extension);
    services_.RefreshItemList(item + 1);
    // Watched before the program starts: it may change the file at once.
    Watch(path);
    bool opened = false;
    if (!program.empty()) {
        std::error_code error;
        opened = std::filesystem::is_regular_file(program, error) &&
                 QProcess::startDetached(FromPath(program), {FromPath(path)});
    } else {
        opened = openWithDesktop_(path);
    }
    if (opened) return;
    views_.Forget(path);
    watcher_.removePath(FromPath(path));
    // A missing viewer program starts nothing and says nothing; with no
    // default application either, the hex viewer shows the item.
    if (program.empty()) ShowHexWindow(services_, item, HexOpenMode::View);
}

void ItemViewWatcher::Watch(const std::string& path) {
    const QString file = FromPath(path);
    if (!watcher_.files().contains(file)) watcher_.addPath(file);
    // An editor that saves by writing a new file and renaming it over the
    // old one ends the file's watch; the folder's tells when it is back.
    const QString folder = QFileInfo(file).absolutePath();
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
}

void ItemViewWatcher::Noticed(const QString& path) {
    if (!views_.Find(ToPath(path))) {
        watcher_.removePath(path);
        return;
    }
    if (QFileInfo::exists(path) && !watcher_.files().contains(path)) watcher_.addPath(path);
    QTimer*& timer = timers_[path];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, path] { Quiet(path); });
    }
    timer->start(quietMs_);
}

void ItemViewWatcher::FolderChanged() {
    const QStringList watched = watcher_.files();
    for (const shell::ItemView& view : views_.Views()) {
        const QString file = FromPath(view.Path);
        if (!watched.contains(file) && QFileInfo::exists(file)) {
            watcher_.addPath(file);
            Noticed(file);
        }
    }
}

void ItemViewWatcher::Quiet(const QString& path) {
    // One question at a time: a file that goes quiet meanwhile waits.
    if (asking_) {
        timers_[path]->start(quietMs_);
        return;
    }
    asking_ = true;
    try {
        views_.CheckView(ToPath(path), services_.Ask(), services_.Caption(), services_.Document());
    } catch (const archive::Error& error) {
        services_.Ask().Message(error.Description, services_.Caption(), shell::MessageIcon::Critical,
                                shell::MessageButtons::Ok);
    } catch (const std::exception& error) {
        services_.Ask().Message(error.what(), services_.Caption(), shell::MessageIcon::Critical,
                                shell::MessageButtons::Ok);
    }
    asking_ = false;
}

}  // namespace app
