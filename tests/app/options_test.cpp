#include <QCheckBox>
#include <map>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>

#include "app/frm_options.h"
#include "app/app_fixtures.h"

namespace {

using testing_support::FakeServices;

template <typename T>
T* Child(QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

struct OptionRow {
    const char* Button;
    std::uint8_t shell::Settings::*Setting;
    std::uint8_t Value;
};

// The stored value of every option button, as the dialog must show and store it.
constexpr OptionRow kOptionRows[] = {
    {"optCType1Tarvo", &shell::Settings::CType1Algorithm, 3}, {"optCType1HO", &shell::Settings::CType1Algorithm, 0},
    {"optCType1Hesk", &shell::Settings::CType1Algorithm, 1},  {"optCType1Dravik", &shell::Settings::CType1Algorithm, 2},
    {"optCType2HO", &shell::Settings::CType2Algorithm, 3},    {"optCType2Tarvo", &shell::Settings::CType2Algorithm, 2},
    {"optCType2Hesk", &shell::Settings::CType2Algorithm, 0},  {"optCType2Dravik", &shell::Settings::CType2Algorithm, 1},
    {"optDecTarvo", &shell::Settings::DecAlgorithm, 0},       {"optDecHO", &shell::Settings::DecAlgorithm, 1},
    {"optDecHesk", &shell::Settings::DecAlgorithm, 2},        {"optDecDravik", &shell::Settings::DecAlgorithm, 3},
};

TEST(Options, EachButtonShowsAndStoresItsValue) {
    for (const OptionRow& row : kOptionRows) {
        SCOPED_TRACE(row.Button);
        FakeServices services;
        services.Settings_.EnableCOptions = true;
        services.Settings_.*row.Setting = row.Value;
        {
            app::frmOptions shown(services);
            EXPECT_TRUE(Child<QRadioButton>(shown, row.Button)->isChecked());
        }
        services.Settings_.*row.Setting = static_cast<std::uint8_t>((row.Value + 1) % 4);
        app::frmOptions dialog(services);
        Child<QRadioButton>(dialog, row.Button)->click();
        Child<QPushButton>(dialog, "cmdApply")->click();
        EXPECT_EQ(services.Settings_.*row.Setting, row.Value);
    }
}

// Every box opens showing its setting; OK and Apply store the box changed
// and apply it (Apply leaves the dialog open), Cancel stores nothing.
TEST(Options, EveryBoxOpensWithItsSettingAndOkApplyCancelStoreIt) {
    const std::pair<const char*, bool shell::Settings::*> boxes[] = {
        {"chkItemsIndexTarvoDeCOMP", &shell::Settings::ItemsIndexTarvoDeCOMP}, {"chkGridLines", &shell::Settings::GridLines},
        {"chkColumnsReordering", &shell::Settings::ColumnsReordering}, {"chkRowsSelection", &shell::Settings::RowsSelection},
        {"chkEnableCOptions", &shell::Settings::EnableCOptions}, {"chkDragDrop", &shell::Settings::EnableDragDrop}};
    for (const auto& [box, setting] : boxes) {
        for (const bool value : {false, true}) {
            for (const std::string button : {"cmdOK", "cmdApply", "cmdCancel"}) {
                SCOPED_TRACE(std::string(box) + " " + button + (value ? " on" : " off"));
                FakeServices services;
                services.Settings_.*setting = value;
                shell::Settings expected = services.Settings_;
                app::frmOptions dialog(services);
                dialog.show();
                for (const auto& [other, otherSetting] : boxes)
                    EXPECT_EQ(Child<QCheckBox>(dialog, other)->isChecked(), services.Settings_.*otherSetting) << other;
                Child<QCheckBox>(dialog, box)->click();
                Child<QPushButton>(dialog, button.c_str())->click();
                const bool stored = button != "cmdCancel";
                if (stored) expected.*setting = !value;
                EXPECT_EQ(services.Settings_, expected);
                EXPECT_EQ(services.SettingsApplied, stored ? 1 : 0);
                EXPECT_EQ(dialog.isVisible(), button == "cmdApply");
            }
        }
    }
}

// While compression options are off their page cannot be reached, and
// turning them off leaves it.
TEST(Options, CompressionPageRefusedWhileDisabled) {
    FakeServices services;
    app::frmOptions dialog(services);
    auto* tabs = Child<QTabBar>(dialog, "TabStrip1");
    auto* panels = static_cast<QStackedWidget*>(Child<QWidget>(dialog, "picGeneral")->parentWidget());
    auto* compression = Child<QWidget>(dialog, "picCompression");
    tabs->setCurrentIndex(1);
    EXPECT_NE(panels->currentWidget(), compression);
    Child<QCheckBox>(dialog, "chkEnableCOptions")->click();
    tabs->setCurrentIndex(1);
    EXPECT_EQ(panels->currentWidget(), compression);
    Child<QCheckBox>(dialog, "chkEnableCOptions")->click();
    EXPECT_NE(panels->currentWidget(), compression);
}

TEST(Options, CancelKeepsViewerChangesAndDropsTheRest) {
    FakeServices services;
    app::frmOptions dialog(services);
    auto* add = Child<QPushButton>(dialog, "cmdAddViewer");
    services.Dialogs.Inputs = {"txt", "TX", "TEXT", "lun", std::nullopt};
    services.Dialogs.Files = {"/bin/less", "/bin/old"};
    for (int i = 0; i < 5; ++i) add->click();
    Child<QPushButton>(dialog, "cmdRemoveViewer")->click();

    auto* list = Child<QTreeWidget>(dialog, "lstViewers");
    list->setCurrentItem(list->topLevelItem(0));
    services.Dialogs.Files = {"/bin/vi"};
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);

    Child<QCheckBox>(dialog, "chkGridLines")->click();
    Child<QPushButton>(dialog, "cmdCancel")->click();
    EXPECT_TRUE(services.Settings_.GridLines);
    EXPECT_EQ(services.SettingsApplied, 0);
    EXPECT_TRUE(services.Dialogs.Messages.empty());
    EXPECT_EQ(shell::ViewersBytes(services.Viewers_), std::string("\1\0\0\0TXT\7\0/bin/vi", 16));
    EXPECT_EQ(list->topLevelItem(0)->text(1), "/bin/vi");
    // Programs are chosen by the execute bit, or among all files.
    ASSERT_EQ(services.Dialogs.Requests.size(), 3u);
    for (const shell::FileDialogRequest& request : services.Dialogs.Requests) {
        EXPECT_TRUE(request.ExecutablesFirst);
        EXPECT_EQ(request.Filter, "Executable files|*|All files (*)|*");
    }
}

// Every access key (Alt+letter) of the dialog reaches one control.
TEST(Options, EachControlHasItsOwnAccessKey) {
    FakeServices services;
    app::frmOptions dialog(services);
    QStringList captions;
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) captions << button->text();
    for (QTabBar* tabs : dialog.findChildren<QTabBar*>())
        for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
    std::map<QChar, QString> keys;
    for (const QString& caption : captions) {
        const qsizetype at = caption.indexOf('&');
        if (at < 0 || at + 1 >= caption.size()) continue;
        const QChar key = caption[at + 1].toLower();
        EXPECT_TRUE(keys.emplace(key, caption).second) << caption.toStdString() << " and "
                                                       << keys[key].toStdString();
    }
}

// On the real main window: Apply relabels the list at once, and after Close
// it brings no rows of the closed archive back.
class OptionsOnMainWindow : public testing_support::MainWindowFixture {};

TEST_F(OptionsOnMainWindow, ApplyRelabelsTheOpenListOnly) {
    Open(testing_support::SamplePath("SAMPLE.HQR"));
    const auto labels = [&] {
        std::vector<std::string> shown;
        for (const auto& row : Rows()) shown.push_back(row[0]);
        return shown;
    };
    ASSERT_NE(labels(), shell::ItemRowLabels(Table(), true));
    {
        app::frmOptions dialog(*window);
        Child<QCheckBox>(dialog, "chkItemsIndexTarvoDeCOMP")->click();
        Child<QCheckBox>(dialog, "chkDragDrop")->click();
        Child<QPushButton>(dialog, "cmdApply")->click();
        EXPECT_EQ(labels(), shell::ItemRowLabels(Table(), true));
        EXPECT_TRUE(window->CurrentSettings().EnableDragDrop);
    }
    Trigger("mnuClose");
    app::frmOptions dialog(*window);
    Child<QPushButton>(dialog, "cmdOK")->click();
    EXPECT_EQ(window->Model().rowCount(), 0);
}

}  // namespace
