// The hex editor on large data. Building one page (cells and their texts)
// must cost the same at 1 KB and at 200 MB; the searches are compared with
// glibc memmem over the same 200 MB in the same run: compare
// BM_HexSearch / BM_MemmemExact and BM_CaseFoldedSearch / BM_MemmemExact
// (time ratios), and BM_Page/200MB / BM_Page/1KB.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/corpus.h"
#include "hexedit/hex_model.h"
#include "hexedit/texts.h"

namespace {

constexpr std::size_t kLarge = 200u << 20;
// Planted 700 bytes before the end, in upper case; the text itself never
// holds it, so every search scans (almost) the whole data.
constexpr const char* kMarker = "ORVANE ZQX MARKER";

// Corpus text repeated to size, the marker near its end: real text keeps a
// case-folded scan's first/last-byte filter busy, unlike random bytes.
std::vector<std::uint8_t> TextData(std::size_t size) {
    std::ifstream in(bench_corpus::Folder() / "bible.txt", std::ios::binary);
    std::vector<std::uint8_t> text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) text.assign(4096, 'x');
    std::vector<std::uint8_t> data(size);
    for (std::size_t at = 0; at < size; at += text.size())
        std::memcpy(data.data() + at, text.data(), std::min(text.size(), size - at));
    if (size > 1000) std::memcpy(data.data() + size - 700, kMarker, std::strlen(kMarker));
    return data;
}

hexedit::HexModel& Model(std::size_t size) {
    static hexedit::HexModel small, large;
    hexedit::HexModel& m = size == kLarge ? large : small;
    if (!m.Loaded()) m.Load(TextData(size), "bench");
    return m;
}

// What the window does to draw one page: the cells and every text shown.
void BM_Page(benchmark::State& state) {
    hexedit::HexModel& m = Model(static_cast<std::size_t>(state.range(0)));
    m.GoTo(std::to_string(m.FileSize() / 2));
    for (auto _ : state) {
        const hexedit::PageView page = m.Page();
        std::size_t chars = 0;
        for (int row = 0; row < page.rows(); ++row) chars += page.rowLabel(row).size();
        for (int k = 0; k < page.count; ++k) {
            const auto& cell = page.cells[static_cast<std::size_t>(k)];
            chars += hexedit::HexByteText(cell.value).size() + cell.hit + cell.highlighted;
        }
        chars += m.FileSizeLabel().size() + m.AsciiLabel().size() + m.BinaryLabel().size();
        benchmark::DoNotOptimize(chars);
    }
}

void BM_MemmemExact(benchmark::State& state) {
    const auto data = Model(kLarge).Data();
    for (auto _ : state) {
        const void* hit = memmem(data.data(), data.size(), kMarker, std::strlen(kMarker));
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

void Search(benchmark::State& state, hexedit::SearchMode mode, bool caseSensitive, std::string text) {
    hexedit::HexModel& m = Model(kLarge);
    m.SetSearchMode(mode);
    m.SetCaseSensitive(caseSensitive);
    m.SetSearchText(std::move(text));
    for (auto _ : state) {
        const auto result = m.SearchFromStart();
        if (!result.ok()) state.SkipWithError("marker not found");
    }
    state.SetBytesProcessed(state.iterations() * m.FileSize());
}

std::string HexOf(const char* text) {
    std::string hex;
    for (const char* c = text; *c; ++c) hex += hexedit::HexByteText(static_cast<std::uint8_t>(*c));
    return hex;
}

void BM_HexSearch(benchmark::State& state) { Search(state, hexedit::SearchMode::Hex, false, HexOf(kMarker)); }

void BM_CaseFoldedSearch(benchmark::State& state) {
    std::string lower(kMarker);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Search(state, hexedit::SearchMode::Chr, false, lower);
}

}  // namespace

BENCHMARK(BM_Page)->Arg(1024)->Arg(kLarge)->ArgName("bytes");
BENCHMARK(BM_MemmemExact)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HexSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CaseFoldedSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
int main(int argc, char** argv) { return bench_corpus::RunBenchmarks(argc, argv); }
