// A script of 10,000 lines on an archive of 100,000 items, run from the
// script editor's Run button (log lines into txtDebug, one list refill at
// the end, drawn with the window) against the same script through the runner
// as orvane-cli calls it (log lines to a file). The editor should stay within
// 1.2x of the CLI. ListRefill is the one refill of the list on its own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <QApplication>
#include <QPushButton>

#include "app/frm_script.h"
#include "app/item_list_model.h"
#include "app/main_window.h"
#include "archive/save.h"
#include "script/run_script.h"
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
            archive::Bytes data;
            while (data.size() < 256) {
                seed = seed * 1103515245u + 12345u;
                for (const char* c = kWords[(seed >> 16) % 7]; *c != 0 && data.size() < 256; ++c)
                    data.push_back(static_cast<std::uint8_t>(*c));
            }
            r.Data = std::move(data);
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

// The real main window with the large archive open, made once.
struct MainWindowWithArchive {
    MainWindowWithArchive() {
        std::filesystem::create_directories(folder);
        archive::SaveArchive(LargeArchive(), archivePath);
        options.Dialogs = &dialogs;
        options.SettingsDirectory = folder.string();
        window = std::make_unique<app::frmMain>(options);
        window->Startup("", false);
        dialogs.Files = {archivePath};
        window->OpenCommand();
        window->resize(1000, 700);
        window->show();
        opened = window->Table();
    }
    ~MainWindowWithArchive() {
        window.reset();
        std::filesystem::remove_all(folder);
    }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orvane_bench_editor";
    const std::string archivePath = (folder / "LARGE.HQR").string();
    testing_support::ScriptedDialogs dialogs;
    app::MainWindowOptions options;
    std::unique_ptr<app::frmMain> window;
    archive::ItemTable opened;
};

// Made on first use, gone before the application object (see main).
std::unique_ptr<MainWindowWithArchive>& MainHolder() {
    static std::unique_ptr<MainWindowWithArchive> main;
    return main;
}

MainWindowWithArchive& Main() {
    if (!MainHolder()) MainHolder() = std::make_unique<MainWindowWithArchive>();
    return *MainHolder();
}

// The editor on the real main window: the run borrows its open archive and
// the window refills its list once when the run ends.
void EditorRun(benchmark::State& state) {
    MainWindowWithArchive& main = Main();
    int refills = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&main.window->Model(), &QAbstractItemModel::modelReset, [&refills] { ++refills; });
    for (auto _ : state) {
        state.PauseTiming();
        main.window->Table() = main.opened;
        auto editor = std::make_unique<app::frmScript>(*main.window, main.window.get());
        editor->show();
        main.dialogs.Files = {ScriptPath(static_cast<int>(state.range(0)))};
        editor->findChild<QPushButton*>("cmdScriptFile")->click();
        QApplication::processEvents();
        state.ResumeTiming();
        editor->findChild<QPushButton*>("cmdRunScript")->click();
        QApplication::processEvents();  // the log and the list are laid out and drawn
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
    QObject::disconnect(counting);
    state.counters["refills_per_run"] = static_cast<double>(refills) / static_cast<double>(state.iterations());
}

// One refill of the main window's list of 100,000 items, the part of the
// editor's run that the CLI does not have.
void ListRefill(benchmark::State& state) {
    MainWindowWithArchive& main = Main();
    for (auto _ : state) {
        main.window->FillItemList();
        QApplication::processEvents();
    }
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
BENCHMARK(ListRefill)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    MainHolder().reset();
    for (int errorEvery : {10, 2}) std::filesystem::remove(ScriptPath(errorEvery));
    return 0;
}
