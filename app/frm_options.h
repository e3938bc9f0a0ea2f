// frmOptions: the list options, the compression and decompression methods,
// and the viewer list. List and method settings change only through Apply
// or OK; the viewer list changes at once.
#pragma once

#include <array>

#include <QDialog>

#include "shell/options.h"

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class QTreeWidget;

namespace app {

class AppServices;

class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(AppServices& services, QWidget* parent = nullptr);

    // "&Apply": the settings take the form's values, then the main window
    // applies them.
    void Apply();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildCompressionPage();
    QWidget* BuildViewersPage();
    void LoadForm();
    shell::OptionsForm ReadForm() const;
    void OnTabChosen(int index);
    void OnEnableCOptions();
    void ShowPage(int page);
    void FixColumns();
    void UpdateViewers();
    void AddViewer();
    void RemoveViewer();
    void ChangeViewerProgram();
    // Runs a viewer command; an error shows one message box.
    template <typename Fn>
    void Guarded(Fn&& fn);

    AppServices& services_;
    shell::OptionsPages pages_;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    QCheckBox* chkItemsIndexTarvoDeCOMP_ = nullptr;
    QCheckBox* chkGridLines_ = nullptr;
    QCheckBox* chkColumnsReordering_ = nullptr;
    QCheckBox* chkRowsSelection_ = nullptr;
    QCheckBox* chkEnableCOptions_ = nullptr;
    QCheckBox* chkBenchmark_ = nullptr;
    QCheckBox* chkDragDrop_ = nullptr;
    std::array<QGroupBox*, shell::kAlgorithmFrameCount> frames_{};
    std::array<std::array<QRadioButton*, shell::kOptionsPerFrame>, shell::kAlgorithmFrameCount> options_{};
    QTreeWidget* lstViewers_ = nullptr;
};

}  // namespace app
