#include "app/qt_dialogs.h"

#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringDecoder>

namespace app {

QString FromText(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToText(const QString& text) { return text.toLatin1().toStdString(); }
QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromShown(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return utf8.hasError() ? FromText(text) : decoded;
}

QStringList QtNameFilters(const std::string& filter) {
    QStringList filters;
    for (const shell::FileFilter& entry : shell::ParseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.Patterns)
            patterns << (pattern == "*.*" ? QStringLiteral("*") : FromText(pattern));
        filters << FromText(entry.Description) + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

namespace {

QMessageBox::Icon QtIcon(shell::MessageIcon icon) {
    switch (icon) {
    case shell::MessageIcon::Information: return QMessageBox::Information;
    case shell::MessageIcon::Question: return QMessageBox::Question;
    case shell::MessageIcon::Exclamation: return QMessageBox::Warning;
    case shell::MessageIcon::Critical: return QMessageBox::Critical;
    case shell::MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The files the user may run, and the folders to reach them; everything
// while off.
class ProgramsOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetOn(bool on) {
        on_ = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!on_ || !files) return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool on_ = true;
};

// A non-native dialog: it looks the same everywhere and takes the filters
// without regard to case.
std::optional<std::string> RunFileDialog(QWidget* parent, const shell::FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent, FromShown(request.Title), FromPath(request.InitialPath));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(request.Filter);
    dialog.setNameFilters(filters);
    if (request.ExecutablesFirst && !filters.isEmpty()) {
        // Name patterns cannot tell programs apart; the execute bit can.
        auto* programs = new ProgramsOnly(&dialog);
        dialog.setProxyModel(programs);
        // filterSelected carries the filter as shown (details hidden): ask
        // for the whole one.
        QObject::connect(&dialog, &QFileDialog::filterSelected, programs, [&dialog, programs, first = filters.first()] {
            programs->SetOn(dialog.selectedNameFilter() == first);
        });
    }
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const std::string path = ToPath(dialog.selectedFiles().first());
        const std::string problem = request.FolderMustExist ? shell::MissingFolderProblem(path) : std::string();
        if (problem.empty()) return path;
        QMessageBox::warning(&dialog, dialog.windowTitle(), FromShown(problem));
    }
}

}  // namespace

shell::Answer QtDialogs::Message(const std::string& text, const std::string& title, shell::MessageIcon icon,
                                 shell::MessageButtons buttons) {
    QMessageBox box(QtIcon(icon), FromShown(title), FromShown(text), QMessageBox::NoButton, parent_);
    switch (buttons) {
    case shell::MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case shell::MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case shell::MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case shell::MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (buttons == shell::MessageButtons::YesNo || buttons == shell::MessageButtons::YesNoCancel)
        box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return shell::Answer::Yes;
    case QMessageBox::No: return shell::Answer::No;
    case QMessageBox::Ok: return shell::Answer::Ok;
    default: return buttons == shell::MessageButtons::YesNo ? shell::Answer::No : shell::Answer::Cancel;
    }
}

std::optional<std::string> QtDialogs::Input(const std::string& prompt, const std::string& title,
                                            const std::string& defaultText) {
    bool ok = false;
    QString answer =
        QInputDialog::getText(parent_, FromShown(title), FromShown(prompt), QLineEdit::Normal, FromText(defaultText), &ok);
    if (!ok) return std::nullopt;
    return ToText(answer);
}

std::optional<std::string> QtDialogs::OpenFile(const shell::FileDialogRequest& request) {
    return RunFileDialog(parent_, request, false);
}

std::optional<std::string> QtDialogs::SaveFile(const shell::FileDialogRequest& request) {
    return RunFileDialog(parent_, request, true);
}

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title) {
    QString folder = QFileDialog::getExistingDirectory(parent_, FromShown(title), QString(),
                                                       QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) return std::nullopt;
    if (!folder.endsWith('/')) folder += '/';
    return ToPath(folder);
}

}  // namespace app
