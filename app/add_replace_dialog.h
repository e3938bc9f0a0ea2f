// frmAddReplace and frmAddMultipleItems: they collect what the user wants to
// put into the archive and run it as one item operation through the main
// window, which records it and derives its display state again. What they
// offer and which call OK makes are decided in shell/add_replace.h.
#pragma once

#include <cstdint>
#include <string>

#include <QDialog>

#include "shell/add_replace.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace app {

class AppServices;

class AddReplaceDialog : public QDialog {
public:
    // item: the insert position (add) or the item to replace.
    AddReplaceDialog(AppServices& services, shell::AddReplaceMode mode, std::int32_t item, QWidget* parent = nullptr);

    // The chosen file, shown (shortened to fit) in lblFileName.
    const std::string& FileName() const { return fileName_; }

private:
    void ApplyChoice();
    void Browse();
    void Confirm();
    void ShowFileName();
    shell::ItemSource Source() const;

    AppServices& services_;
    shell::AddReplaceMode mode_;
    std::int32_t item_;
    shell::AddReplaceSetup setup_;
    std::string fileName_;

    QRadioButton* optFile_;
    QRadioButton* optPointer_;
    QRadioButton* optBlankItem_;
    QLabel* lblFileName_;
    QPushButton* cmdBrowse_;
    QGroupBox* frmCType_;
    QButtonGroup* types_;
    QLabel* lblToItem_;
    QSpinBox* udToItem_;
};

class AddMultipleItemsDialog : public QDialog {
public:
    // item: the position of the first new item.
    AddMultipleItemsDialog(AppServices& services, std::int32_t item, QWidget* parent = nullptr);

private:
    void ApplyChoice();
    void Confirm();

    AppServices& services_;
    std::int32_t item_;
    shell::AddMultipleSetup setup_;

    QRadioButton* optPointer_;
    QRadioButton* optBlankItem_;
    QLabel* lblToItem_;
    QSpinBox* udToItem_;
    QSpinBox* udCount_;
};

}  // namespace app
