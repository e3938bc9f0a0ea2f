// frmCompare: two archive files side by side, slot by slot. Each window
// compares one chosen pair; the rows come from shell::CompareArchives.
#pragma once

#include <string>

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace app {

class AppServices;

class frmCompare : public QDialog {
    Q_OBJECT

public:
    explicit frmCompare(AppServices& services, QWidget* parent = nullptr);

    // Compare: appends the rows of the two chosen archives to the list (a
    // second Compare appends them again); the missing-archive message while
    // either is not chosen; an error as one message box and no rows.
    void Compare();

private:
    // cmdArchive1 / cmdArchive2: the open dialog; a chosen path disables the
    // button, so the window's pair cannot change.
    void ChooseArchive(int which);

    AppServices& services_;
    std::string paths_[2];
    QLabel* labels_[2] = {};
    QPushButton* buttons_[2] = {};
    QTreeWidget* lstComparison_ = nullptr;
};

}  // namespace app
