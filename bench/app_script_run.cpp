// A script of 10,000 lines on an archive of 100,000 items, run from the
// script editor's Run button (log lines into txtDebug, one list refill at
// the end, drawn with the window) against the same script through the runner
// as orvane-cli calls it (log lines to a file). The editor should stay within
// 1.2x of the CLI.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <QApplication>
#include <QAbstractTableModel>
#include <QPushButton>
#include <QTreeView>

#include "app/frm_script.h"
#include "app/qt_dialogs.h"
#include "script/run_script.h"
#include "shell/item_list.h"
#include "tests/app/scripted_dialogs.h"

namespace {

constexpr std::int32_t kItems = 100000;
constexpr int kLines = 10000;

// Items of 256 bytes of word-like text, stored, so that CMT has real work.
const archive::ItemTable& LargeArchive() {
    static const archive::ItemTable table = [] {
        static const char* const kWords[] = {"tower ", "scene ", "body ", "sprite ", "anim ", "voice ", "text "};
        archive::ItemTable t;
        t.Records.clear();
        std::uint32_t seed = 12345;
        for (std::int32_t i = 0; i < kItems; ++i) {
            archive::ItemRecord r;
            while (r.Data.size() < 256) {
                seed = seed * 1103515245u + 12345u;
                for (const char* c = kWords[(seed >> 16) % 7]; *c != 0 && r.Data.size() < 256; ++c)
                    r.Data.push_back(static_cast<std::uint8_t>(*c));
            }
            r.DecompressedSize = r.CompressedSize = 256;
            r.RefersTo = i;
            r.Offset = 4 * (kItems + 1) + 266 * i;
            r.Extension = "bin";
            archive::UpdateDisplayTexts(r);
            t.Records.push_back(std::move(r));
        }
        t.Records.emplace_back();
        t.ItemCount = t.SlotCount = kItems;
        return t;
    }();
    return table;
}

// Every line recompresses an item to type 1, except that every
// errorEvery-th line lacks its type and leaves a log line instead.
std::string ScriptPath(int errorEvery) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("orvane_bench_script_" + std::to_string(errorEvery) + ".ovs"))
                                 .string();
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path, std::ios::binary);
    for (int line = 0; line < kLines; ++line) {
        out << "CMT " << (line * 7) % kItems;
        out << (line % errorEvery == errorEvery - 1 ? "\r\n" : " 1\r\n");
    }
    return path;
}

// The item list as a model over the table: a refill resets it, and the view
// builds the texts of the rows it shows.
class ItemModel : public QAbstractTableModel {
public:
    explicit ItemModel(const archive::ItemTable& table) : table_(table) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : table_.ItemCount; }
    int columnCount(const QModelIndex&) const override { return shell::kItemColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return app::FromText(shell::ItemRowTexts(table_, index.row())[static_cast<std::size_t>(index.column())]);
    }
    void Refill() {
        beginResetModel();
        endResetModel();
    }

private:
    const archive::ItemTable& table_;
};

// The main window as the editor sees it: its list refilled once per run.
class WindowServices : public testing_support::FakeServices {
public:
    WindowServices() {
        list.setUniformRowHeights(true);
        list.setRootIsDecorated(false);
        list.setModel(&model);
        list.resize(900, 500);
        list.show();
    }
    using FakeServices::RefreshItemList;
    void RefreshItemList() override {
        model.Refill();
        ++Refreshes;
    }

    ItemModel model{Table_};
    QTreeView list;
};

void EditorRun(benchmark::State& state) {
    WindowServices services;
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        services.Table_ = LargeArchive();
        auto window = std::make_unique<app::frmScript>(services);
        window->show();
        services.Dialogs.Files = {ScriptPath(static_cast<int>(state.range(0)))};
        window->findChild<QPushButton*>("cmdScriptFile")->click();
        QApplication::processEvents();
        state.ResumeTiming();
        window->findChild<QPushButton*>("cmdRunScript")->click();
        QApplication::processEvents();  // the log and the list are laid out and drawn
        ++runs;
    }
    state.counters["refills_per_run"] = static_cast<double>(services.Refreshes) / runs;
}

// orvane-cli's stand-in for the main window: nothing to refill.
class CliWindow : public script::MainWindowLink {
public:
    bool IsArchiveOpen() const override { return true; }
    std::string CurrentFileName() const override { return "bench.hqr"; }
    void TakeFileName(const std::string&) override {}
    void RefreshItemList() override {}
    void ApplyListSettings() override {}
};

void CliRun(benchmark::State& state) {
    archive::ItemTable table;
    CliWindow window;
    FILE* out = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        state.PauseTiming();
        table = LargeArchive();
        state.ResumeTiming();
        script::RunEnvironment environment(table, window, [out](const std::string& message) {
            std::fwrite(message.data(), 1, message.size(), out);
            std::fputc('\n', out);
        });
        script::RunScript(ScriptPath(static_cast<int>(state.range(0))), environment);
        std::fflush(out);
    }
    std::fclose(out);
}

// Argument: every how many lines one gives a log line (2: half of them).
BENCHMARK(CliRun)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Arg(10)->Arg(2);
BENCHMARK(EditorRun)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Arg(10)->Arg(2);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (int errorEvery : {10, 2}) std::filesystem::remove(ScriptPath(errorEvery));
    return 0;
}
