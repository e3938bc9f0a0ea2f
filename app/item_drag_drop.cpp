#include "app/item_drag_drop.h"

#include <exception>

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>

#include "app/app_services.h"
#include "app/qt_dialogs.h"
#include "archive/extraction.h"
#include "shell/drag_drop.h"

namespace app {

namespace {

bool DragDropAllowed(AppServices& services) {
    return services.CurrentSettings().EnableDragDrop && services.IsArchiveOpen();
}

void ShowError(AppServices& services, const std::string& text, shell::MessageIcon icon) {
    services.Ask().Message(text, services.Caption(), icon, shell::MessageButtons::Ok);
}

}  // namespace

ItemDrag MakeItemDrag(AppServices& services, const std::vector<std::int32_t>& selected) {
    ItemDrag drag;
    if (!DragDropAllowed(services)) return drag;
    archive::ItemTable& table = services.Table();
    const std::vector<std::int32_t> items = shell::DraggedItems(table, selected);
    if (items.empty()) return drag;
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        ShowError(services, "Cannot create a temporary folder: " + ToText(folder->errorString()),
                  shell::MessageIcon::Critical);
        return drag;
    }
    const std::string folderPath = ToPath(folder->path()) + "/";
    QList<QUrl> urls;
    try {
        for (std::int32_t item : items) {
            const std::string path = archive::BulkExtractionName(table, item, folderPath);
            archive::ExtractItem(table, item, path, services.Methods());
            urls.append(QUrl::fromLocalFile(FromPath(path)));
        }
    } catch (const std::exception& e) {
        ShowError(services, e.what(), shell::MessageIcon::Critical);
        return drag;
    }
    drag.Data = std::make_unique<QMimeData>();
    drag.Data->setUrls(urls);
    drag.Folder = std::move(folder);
    return drag;
}

bool AcceptsItemDrop(AppServices& services, const QMimeData& data) {
    if (!DragDropAllowed(services) || !data.hasUrls() || data.urls().isEmpty()) return false;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) return false;
    }
    return true;
}

bool DropItemFiles(AppServices& services, const QMimeData& data, std::int32_t target, bool replace) {
    if (!AcceptsItemDrop(services, data)) return false;
    std::vector<shell::DroppedFile> files;
    for (const QUrl& url : data.urls()) {
        const QString local = url.toLocalFile();
        files.push_back({ToPath(local), QFileInfo(local).isDir()});
    }
    const shell::DropPlan plan = shell::PlanFileDrop(services.Table(), files, target, replace);
    if (!plan.Refusal.empty()) {
        ShowError(services, plan.Refusal, shell::MessageIcon::Exclamation);
        return false;
    }
    bool changed = false;
    try {
        // The whole drop is one undo step.
        const std::string name = plan.Operations.size() == 1 && replace ? "Drop onto item " + std::to_string(target)
                                                                         : "Drop of " + std::to_string(files.size()) +
                                                                               (files.size() == 1 ? " file" : " files");
        shell::ArchiveDocument& document = services.Document();
        std::int32_t row = services.SelectedItem() + 1;
        document.Change(name, row, [&] {
            for (const shell::ItemCall& call : plan.Operations) {
                row = document.RunItemOperation(call.Item, call.Code, call.Number, call.File, call.Count, row);
                changed = true;
            }
            return row;
        });
    } catch (const std::exception& e) {
        ShowError(services, e.what(), shell::MessageIcon::Critical);
    }
    return changed;
}

ItemDragDrop::ItemDragDrop(AppServices& services, QAbstractItemView& view)
    : QObject(&view), services_(services), view_(view), viewport_(view.viewport()) {
    view_.setDragEnabled(false);  // drags start here, not in the view
    viewport_->setAcceptDrops(true);
    viewport_->installEventFilter(this);
}

std::int32_t ItemDragDrop::ItemAt(const QPoint& pos) const {
    const QModelIndex index = view_.indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void ItemDragDrop::StartDrag() {
    std::vector<std::int32_t> selected;
    for (const QModelIndex& index : view_.selectionModel()->selectedIndexes()) selected.push_back(index.row());
    ItemDrag drag = MakeItemDrag(services_, selected);
    if (!drag.Data) return;
    // The files stay until the next drag: a file manager may copy them
    // after the drop has returned.
    lastDragFolder_ = std::move(drag.Folder);
    auto* qdrag = new QDrag(&view_);
    qdrag->setMimeData(drag.Data.release());
    qdrag->exec(Qt::CopyAction);
}

bool ItemDragDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        pressed_ = mouse->button() == Qt::LeftButton;
        pressedAt_ = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonRelease:
        pressed_ = false;
        return false;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !(mouse->buttons() & Qt::LeftButton) || !services_.CurrentSettings().EnableDragDrop ||
            (mouse->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return false;
        pressed_ = false;
        StartDrag();
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        // A drag that started in this program (the list's own) would only
        // add copies of the items it carries.
        if (drag->source() == nullptr && AcceptsItemDrop(services_, *drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool replace = drop->modifiers() & Qt::ShiftModifier;
        if (drop->source() == nullptr && DropItemFiles(services_, *drop->mimeData(), ItemAt(drop->position().toPoint()), replace)) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace app
