// Recompressing a large archive built from the corpus to type 2 with each
// method (MB/s of input), and bulk extraction to files as a ratio to
// decoding the same items in memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "archive/compression_dispatch.h"
#include "bench/corpus.h"
#include "archive/extraction.h"
#include "archive/item_operations.h"

namespace {

namespace fs = std::filesystem;

// Every corpus file cut into items of 8 to 64 KB, stored uncompressed.
const archive::ItemTable& CorpusArchive() {
    static const archive::ItemTable table = [] {
        archive::ItemTable t;
        const std::vector<fs::path> files = bench_corpus::Files();
        std::size_t cut = 0;
        for (const auto& path : files) {
            std::ifstream in(path, std::ios::binary);
            archive::Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (std::size_t at = 0; at < data.size();) {
                const std::size_t size = std::min<std::size_t>(data.size() - at, 8192u << (cut++ % 4));
                archive::ItemRecord r;
                r.Data = archive::Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                        data.begin() + static_cast<std::ptrdiff_t>(at + size));
                r.DecompressedSize = r.CompressedSize = static_cast<std::int32_t>(size);
                r.RefersTo = t.ItemCount;
                r.Extension = "bin";
                archive::UpdateDisplayTexts(r);
                t.Records.insert(t.Records.end() - 1, std::move(r));
                ++t.ItemCount;
                ++t.SlotCount;
                at += size;
            }
        }
        t.Records.back().RefersTo = t.ItemCount;
        t.ArchiveKey = "BENCH";
        return t;
    }();
    return table;
}

std::int64_t InputBytes(const archive::ItemTable& t) {
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < t.ItemCount; ++i) total += t[i].DecompressedSize;
    return total;
}

archive::MethodSettings Using(archive::Method m) {
    return {archive::Type1EncoderValue(m), archive::Type2EncoderValue(m), archive::DecoderValue(m)};
}

void BM_RecompressToType2(benchmark::State& state) {
    const auto method = static_cast<archive::Method>(state.range(0));
    const archive::MethodSettings methods = Using(method);
    std::int64_t stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        archive::ItemTable table = CorpusArchive();
        state.ResumeTiming();
        for (std::int32_t i = 0; i < table.ItemCount; ++i) archive::ChangeItemCompressionType(table, i, 2, methods);
        stored = 0;
        for (std::int32_t i = 0; i < table.ItemCount; ++i) stored += table[i].CompressedSize;
    }
    const std::int64_t input = InputBytes(CorpusArchive());
    state.SetBytesProcessed(state.iterations() * input);
    state.counters["stored_percent"] = 100.0 * static_cast<double>(stored) / static_cast<double>(input);
    state.SetLabel(archive::MethodName(method));
}
BENCHMARK(BM_RecompressToType2)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The corpus archive compressed to type 2 with the default methods.
const archive::ItemTable& CompressedArchive() {
    static const archive::ItemTable table = [] {
        archive::ItemTable t = CorpusArchive();
        for (std::int32_t i = 0; i < t.ItemCount; ++i) archive::ChangeItemCompressionType(t, i, 2, {});
        return t;
    }();
    return table;
}

void BM_BulkExtraction(benchmark::State& state) {
    const auto method = static_cast<archive::Method>(state.range(0));
    const archive::MethodSettings methods = Using(method);
    const fs::path folder = fs::temp_directory_path() / ("orvane_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    archive::ItemTable table = CompressedArchive();
    double extractSeconds = 0, decodeSeconds = 0;
    for (auto _ : state) {
        for (std::int32_t i = 0; i < table.ItemCount; ++i) table[i].Marked = true;
        auto t0 = std::chrono::steady_clock::now();
        archive::ExtractMarkedItems(table, folder.string() + "/", methods);
        auto t1 = std::chrono::steady_clock::now();
        archive::Bytes out;
        for (std::int32_t i = 0; i < table.ItemCount; ++i) {
            const auto& r = table[i];
            archive::ExpandCompressedFile(r.Data, out, r.DecompressedSize, r.CompressionType, methods);
            benchmark::DoNotOptimize(out.data());
        }
        auto t2 = std::chrono::steady_clock::now();
        extractSeconds += std::chrono::duration<double>(t1 - t0).count();
        decodeSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    fs::remove_all(folder);
    state.SetBytesProcessed(state.iterations() * InputBytes(table));
    state.counters["extract_to_in_memory"] = extractSeconds / decodeSeconds;
    state.SetLabel(archive::MethodName(method));
}
BENCHMARK(BM_BulkExtraction)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return bench_corpus::RunBenchmarks(argc, argv); }
