// Test doubles for the windows: a stand-in for the main window over one
// table, and the real main window over a test folder.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/app_services.h"
#include "app/item_list_model.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/scripted_dialogs.h"
#include "archive/compression_dispatch.h"
#include "archive/dispatcher.h"
#include "support/test_support.h"

namespace testing_support {

// A main window reduced to its table: item operations go through
// ItemOperation with recording, as the real window's do.
class FakeServices : public app::AppServices, public script::MainWindowLink {
public:
    FakeServices() {
        shell::DocumentView view;
        view.TableChanged = [this](std::int32_t row) {
            ++Refreshes;
            if (row >= 0) Selected = row - 1;
        };
        Doc.SetView(std::move(view));
    }

    ScriptedDialogs Dialogs;
    shell::Settings Settings_ = shell::DefaultSettings();
    shell::ArchiveDocument Doc{Dialogs, Settings_.RecentFiles, [this] { return Methods(); }};
    archive::ItemTable& Table_ = Doc.Table();
    shell::Viewers Viewers_;
    QWidget Widget;
    bool Open = true;
    std::int32_t Selected = -1;
    int Refreshes = 0;
    int SettingsApplied = 0;
    std::string FileName;

    QWidget* MainWidget() override { return &Widget; }
    shell::Dialogs& Ask() override { return Dialogs; }
    std::string Caption() const override { return "Tarvo Resource Manager"; }
    archive::ItemTable& Table() override { return Table_; }
    bool IsArchiveOpen() const override { return Open; }
    std::int32_t SelectedItem() const override { return Selected; }
    shell::ArchiveDocument& Document() override { return Doc; }
    void RunItemOperation(std::int32_t item, std::uint8_t code, std::int32_t number, const std::string& file,
                          std::int32_t count) override {
        Doc.RunItemOperation(item, code, number, file, count, Selected + 1);
    }
    void RefreshItemList(std::int32_t row) override {
        ++Refreshes;
        Selected = row - 1;
    }
    shell::Settings& CurrentSettings() override { return Settings_; }
    shell::Viewers& CurrentViewers() override { return Viewers_; }
    archive::MethodSettings Methods() const override { return shell::MethodSettingsOf(Settings_); }
    void ApplySettings() override { ++SettingsApplied; }
    script::MainWindowLink& ScriptLink() override { return *this; }

    // script::MainWindowLink (IsArchiveOpen above serves both)
    std::string CurrentFileName() const override { return FileName; }
    void TakeFileName(const std::string& name) override { FileName = name; }
    void RefreshItemList() override { ++Refreshes; }
    void ApplyListSettings() override {}
};

inline std::string SamplePath(const std::string& name) {
    return std::string(ORVANE_SOURCE_DIR) + "/samples/" + name;
}

// Item `item` of `table`, decompressed.
inline Bytes ItemBytes(const archive::ItemTable& table, std::int32_t item, const archive::MethodSettings& methods = {}) {
    Bytes out;
    archive::ExpandCompressedFile(table[item].Data, out, table[item].DecompressedSize, table[item].CompressionType,
                                  methods);
    return out;
}

inline std::string FileText(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The real main window with scripted dialogs and its settings in a test
// folder; Restart() is the next run of the program over the same folder.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { Restart(); }
    void Restart() {
        window.reset();
        app::MainWindowOptions options;
        options.Dialogs = &dialogs;
        options.SettingsDirectory = dir.path().string();
        options.ScriptEditor = scriptEditor;
        options.ViewFolderBase = dir.path().string();
        options.OpenWithDesktop = [this](const std::string& path) {
            desktopOpened.push_back(path);
            return desktopAnswer;
        };
        window = std::make_unique<app::frmMain>(options);
        window->Startup("", false);
    }
    // A copy of a sample in the test folder (tests change it).
    std::string Copy(const std::string& name, const std::string& as = "") {
        const std::string target = dir.file(as.empty() ? name : as);
        std::filesystem::copy_file(SamplePath(name), target, std::filesystem::copy_options::overwrite_existing);
        return target;
    }
    void Open(const std::string& path) {
        dialogs.Files.push_back(path);
        Trigger("mnuOpen");
    }
    void Trigger(const char* action) {
        QAction* found = window->findChild<QAction*>(action);
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
    }
    // Selects item `item` and runs a menu entry on it.
    void OnItem(std::int32_t item, const char* action) {
        window->SelectRow(item + 1);
        Trigger(action);
    }
    archive::ItemTable& Table() { return window->Table(); }
    // The files of the views in the private folder, by name.
    std::vector<std::string> ViewFiles() {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / ("orvane-" + std::to_string(::getuid())), error))
            if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
        return names;
    }
    // The rows as the user reads them: every cell's text, row by row.
    std::vector<std::vector<std::string>> Rows() {
        app::ItemListModel& model = window->Model();
        std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(model.rowCount()));
        for (int r = 0; r < model.rowCount(); ++r)
            for (int c = 0; c < model.columnCount(); ++c)
                rows[static_cast<std::size_t>(r)].push_back(app::ToText(model.index(r, c).data().toString()));
        return rows;
    }

    TempDir dir;
    ScriptedDialogs dialogs;
    std::function<void(app::AppServices&)> scriptEditor;
    // The desktop's default application: what it was asked to open, and
    // whether it could.
    std::vector<std::string> desktopOpened;
    bool desktopAnswer = true;
    std::unique_ptr<app::frmMain> window;
};

}  // namespace testing_support
