// The open archive's undo history on 100,000 items (about 200 MB): 100
// mixed steps (remove, add, replace, type change, pointer, blank) through
// the document, then undo and redo of all of them. Reported: the heap the
// history holds beyond the archive (measured by the allocator, and as the
// history counts it), and the time of undoing and of redoing as a ratio to
// the time of the steps themselves, in the same run.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>

#include "archive/dispatcher.h"
#include "archive/save.h"
#include "shell/document.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kItems = 100000;
constexpr std::size_t kItemSize = 2000;
constexpr int kSteps = 100;

// Text-like bytes, so that the type changes really compress.
archive::Bytes ItemBytes(std::uint32_t seed, std::size_t size) {
    archive::Bytes bytes(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>('a' + (x >> 16) % 12);
    }
    return bytes;
}

class NoDialogs : public shell::Dialogs {
public:
    shell::Answer Message(const std::string&, const std::string&, shell::MessageIcon, shell::MessageButtons) override {
        return shell::Answer::No;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> OpenFile(const shell::FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const shell::FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
};

struct Fixture {
    fs::path dir = fs::temp_directory_path() / ("orvane-history-" + std::to_string(::getpid()));
    NoDialogs dialogs;
    shell::RecentFileList recent;
    shell::ArchiveDocument doc{dialogs, recent, [] { return archive::MethodSettings{}; }};
    std::string itemFile;

    Fixture() {
        fs::create_directories(dir);
        archive::ItemTable& t = doc.Table();
        for (std::int32_t i = 0; i < kItems; ++i) {
            archive::ItemRecord r;
            r.Data = ItemBytes(static_cast<std::uint32_t>(i), kItemSize);
            r.DecompressedSize = r.CompressedSize = static_cast<std::int32_t>(kItemSize);
            r.RefersTo = i;
            archive::UpdateDisplayTexts(r);
            t.Records.insert(t.Records.end() - 1, std::move(r));
        }
        t.ItemCount = t.SlotCount = kItems;
        t.Records.back().RefersTo = kItems;
        const std::string path = (dir / "BIG.HQR").string();
        archive::SaveArchive(t, path);
        doc.OpenAtStart(path);
        itemFile = (dir / "item.txt").string();
        const archive::Bytes bytes = ItemBytes(7, kItemSize);
        std::FILE* f = std::fopen(itemFile.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~Fixture() {
        std::error_code error;
        fs::remove_all(dir, error);
    }

    // Step k of the mix, spread over the whole table.
    void Step(int k) {
        const std::int32_t item = static_cast<std::int32_t>((k * 997) % (doc.Table().ItemCount - 10)) + 5;
        switch (k % 6) {
        case 0: doc.RunItemOperation(item, archive::kOpRemoveItem, 0, "", 0, item + 1); break;
        case 1: doc.RunItemOperation(item, archive::kOpAddItem, 1, itemFile, 0, item + 1); break;
        case 2: doc.RunItemOperation(item, archive::kOpReplaceItem, 0, itemFile, 0, item + 1); break;
        case 3: doc.RunItemOperation(item, archive::kOpChangeCompression, 1, "", 0, item + 1); break;
        // The dispatcher takes pointer targets of 16 bits.
        case 4: doc.RunItemOperation(item, archive::kOpItemToFromPointer, k + 1, "", 0, item + 1); break;
        case 5: doc.RunItemOperation(item, archive::kOpChangeItemType, 0, "", 0, item + 1); break;
        }
    }
};

// Heap in use, small and large blocks.
std::size_t Heap() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_HistoryOf100MixedSteps(benchmark::State& state) {
    Fixture f;
    double steps = 0, undos = 0, redos = 0;
    // By kind of step (k % 6): time of the steps, of their undo, of their redo.
    std::array<std::array<double, 3>, 6> byKind{};
    std::size_t heldBytes = 0, countedBytes = 0;
    for (auto _ : state) {
        double stepTime = 0, undoTime = 0, redoTime = 0;
        for (int k = 0; k < kSteps; ++k) {
            const auto start = std::chrono::steady_clock::now();
            f.Step(k);
            const double t = Seconds(start);
            stepTime += t;
            byKind[k % 6][0] += t;
        }
        for (int k = kSteps - 1; k >= 0; --k) {
            const auto start = std::chrono::steady_clock::now();
            f.doc.Undo();
            const double t = Seconds(start);
            undoTime += t;
            byKind[k % 6][1] += t;
        }
        for (int k = 0; k < kSteps; ++k) {
            const auto start = std::chrono::steady_clock::now();
            f.doc.Redo();
            const double t = Seconds(start);
            redoTime += t;
            byKind[k % 6][2] += t;
        }
        state.SetIterationTime(stepTime);

        // The history beyond the archive: the heap it releases when all but
        // the last step are dropped, with the table as the steps left it.
        countedBytes = f.doc.HistoryBytes();
        const std::size_t heapRedone = Heap();
        f.doc.SetHistoryLimits({1, 0});
        heldBytes = heapRedone > Heap() ? heapRedone - Heap() : 0;
        f.doc.SetHistoryLimits({});

        steps += stepTime;
        undos += undoTime;
        redos += redoTime;
        // Back to the loaded archive for the next round, without history.
        state.PauseTiming();
        f.doc.OpenAtStart(f.doc.FileName());
        state.ResumeTiming();
    }
    double worst = 0;
    for (const auto& kind : byKind) worst = std::max({worst, kind[1] / kind[0], kind[2] / kind[0]});
    state.counters["worst_kind_vs_step"] = worst;
    state.counters["undo_vs_step"] = undos / steps;
    state.counters["redo_vs_step"] = redos / steps;
    state.counters["history_MB_heap"] = static_cast<double>(heldBytes) / (1 << 20);
    state.counters["history_MB_counted"] = static_cast<double>(countedBytes) / (1 << 20);
}
BENCHMARK(BM_HistoryOf100MixedSteps)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
