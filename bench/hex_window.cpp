// Drawing one page of the hex window (all four areas into one picture, as
// printing does) must cost the same at 1 KB and at 200 MB of data: compare
// BM_DrawPage/bytes:209715200 with BM_DrawPage/bytes:1024 (time ratio).
#include <benchmark/benchmark.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <string>
#include <vector>

#include "app/hex_page_painter.h"
#include "hexedit/hex_model.h"

namespace {

constexpr std::size_t kLarge = 200u << 20;

// Every byte value, so both grids draw characters, rectangles and dots.
hexedit::HexModel& Model(std::size_t size) {
    static hexedit::HexModel small, large;
    hexedit::HexModel& m = size == kLarge ? large : small;
    if (!m.Loaded()) {
        std::vector<std::uint8_t> data(size);
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7);
        m.Load(std::move(data), "bench");
        m.GoTo(std::to_string(size / 2));
        m.SetSearchText("0E15");
        m.SearchOrFindNext();
    }
    return m;
}

void BM_DrawPage(benchmark::State& state) {
    hexedit::HexModel& m = Model(static_cast<std::size_t>(state.range(0)));
    const app::HexPageLayout layout(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (auto _ : state) {
        QImage picture = app::ComposePage(layout, m.Page());
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_DrawPage)->Arg(1024)->Arg(kLarge)->ArgName("bytes")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
