// The main window's share of listing and opening archives, each next to the
// core work it wraps, in the same run (offscreen platform). Every window
// figure includes the event loop's turn that lays the window out and paints
// it, as on screen; the "paints" counter says how often the list's page was
// painted per iteration.
//   BM_FillItemRows/N  the rows of an N-item list, as orvane-cli builds them
//                      (the reference);
//   BM_FillItemList/N  the window's refill alone (the model reset);
//   BM_WindowFill/N    the refill plus the paint of the visible page;
//   BM_PagePaint/N     one paint of the visible page of an N-item list (should
//                      not grow with N);
//   BM_LoadArchive     loading a 200 MB archive (the reference);
//   BM_WindowOpen      opening it through the Open command, painted.
// Run the comparisons interleaved and repeated, and read the medians:
//   bench_main_window --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//                     --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <unistd.h>

#include "app/item_views.h"
#include "app/main_window.h"
#include "archive/load.h"
#include "archive/save.h"
#include "shell/item_list.h"

namespace {

namespace fs = std::filesystem;

// Answers the open dialog with one path; nothing else is ever asked.
class OpenDialogs : public shell::Dialogs {
public:
    std::string Path;
    shell::Answer Message(const std::string&, const std::string&, shell::MessageIcon,
                          shell::MessageButtons) override {
        return shell::Answer::Ok;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> OpenFile(const shell::FileDialogRequest&) override { return Path; }
    std::optional<std::string> SaveFile(const shell::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("orvane-bench-window-" + std::to_string(::getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

// An archive of `items` stored items of 16 to 16 + spread bytes, written once.
std::string ArchiveFile(int items, std::uint32_t spread) {
    const std::string path = (Folder() / ("BENCH" + std::to_string(items) + "_" + std::to_string(spread) + ".HQR")).string();
    if (fs::exists(path)) return path;
    archive::ItemTable table;
    table.Records.clear();
    std::mt19937 rng(7);
    for (int i = 0; i < items; ++i) {
        archive::ItemRecord r;
        r.RefersTo = i;
        r.Data = archive::Bytes(16 + (spread ? rng() % spread : 0), static_cast<std::uint8_t>(i));
        r.CompressedSize = r.DecompressedSize = static_cast<std::int32_t>(r.Data.size());
        archive::UpdateDisplayTexts(r);
        table.Records.push_back(std::move(r));
    }
    table.Records.emplace_back();
    table.Records.back().RefersTo = items;
    table.ItemCount = table.SlotCount = items;
    archive::SaveArchive(table, path);
    return path;
}

struct Window {
    OpenDialogs dialogs;
    std::unique_ptr<app::frmMain> main;

    explicit Window(const std::string& path) {
        app::MainWindowOptions options;
        options.Dialogs = &dialogs;
        options.SettingsDirectory = Folder().string();
        main = std::make_unique<app::frmMain>(options);
        main->resize(1200, 700);
        main->show();
        main->Startup(path, false);
        QApplication::processEvents();
    }
};

// Every window of the run, closed before the application object goes.
std::map<int, std::unique_ptr<Window>>& Windows() {
    static std::map<int, std::unique_ptr<Window>> windows;
    return windows;
}

Window& WindowFor(int items) {
    auto& w = Windows()[items];
    if (!w) w = std::make_unique<Window>(items > 0 ? ArchiveFile(items, 0) : "");
    return *w;
}

// Counts the paints of the list's page.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

PaintCounter& CountPaints(app::frmMain& window) {
    static PaintCounter counter;
    window.DetailsView().viewport()->installEventFilter(&counter);
    counter.Paints = 0;
    return counter;
}

void ReportPaints(benchmark::State& state, const PaintCounter& counter) {
    state.counters["paints"] = benchmark::Counter(counter.Paints, benchmark::Counter::kAvgIterations);
}

void BM_FillItemRows(benchmark::State& state) {
    archive::ItemTable& table = WindowFor(static_cast<int>(state.range(0))).main->Table();
    for (auto _ : state) benchmark::DoNotOptimize(shell::FillItemRows(table, false));
}

void BM_FillItemList(benchmark::State& state) {
    app::frmMain& window = *WindowFor(static_cast<int>(state.range(0))).main;
    for (auto _ : state) window.FillItemList();
    QApplication::processEvents();
}

void BM_WindowFill(benchmark::State& state) {
    app::frmMain& window = *WindowFor(static_cast<int>(state.range(0))).main;
    PaintCounter& counter = CountPaints(window);
    for (auto _ : state) {
        window.FillItemList();
        QApplication::processEvents();
    }
    ReportPaints(state, counter);
}

void BM_PagePaint(benchmark::State& state) {
    app::frmMain& window = *WindowFor(static_cast<int>(state.range(0))).main;
    window.SelectRow(static_cast<std::int32_t>(state.range(0)) / 2);
    QApplication::processEvents();
    PaintCounter& counter = CountPaints(window);
    for (auto _ : state) {
        window.DetailsView().viewport()->update();
        QApplication::processEvents();
    }
    ReportPaints(state, counter);
}

// About 200 MB: 20,000 items of 16 bytes to 20 KB.
const std::string& BigArchive() {
    static const std::string path = ArchiveFile(20000, 20000);
    return path;
}

void BM_LoadArchive(benchmark::State& state) {
    BigArchive();
    for (auto _ : state) {
        archive::ItemTable table;
        archive::LoadArchive(table, BigArchive());
        benchmark::DoNotOptimize(table.ItemCount);
    }
}

void BM_WindowOpen(benchmark::State& state) {
    Window& window = WindowFor(0);
    window.dialogs.Path = BigArchive();
    PaintCounter& counter = CountPaints(*window.main);
    for (auto _ : state) {
        window.main->OpenCommand();
        QApplication::processEvents();
    }
    ReportPaints(state, counter);
}

BENCHMARK(BM_FillItemRows)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillItemList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowFill)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PagePaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowOpen)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Windows().clear();
    std::error_code error;
    fs::remove_all(Folder(), error);
    return 0;
}
