// Loading and saving a large archive (20,000 items, about 200 MB), each next
// to a plain whole-file read or write of the same bytes in the same run.
// Compare BM_LoadArchive with BM_PlainRead (both put the bytes into fresh
// memory, as opening an archive does) and BM_SaveArchive with BM_PlainWrite
// (both flush to disk and rename into place). BM_PlainReadIntoWarmBuffer
// shows how much of a read is the first touch of fresh memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "archive/load.h"
#include "archive/save.h"

namespace {

namespace fs = std::filesystem;

constexpr int kItems = 20000;

struct Fixture {
    fs::path folder;
    std::string path;
    archive::ItemTable table;
    archive::Bytes bytes;

    Fixture() {
        folder = fs::temp_directory_path() / ("orvane-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        path = (folder / "BIG.HQR").string();
        std::mt19937 rng(5);
        table.Records.clear();
        for (int i = 0; i < kItems; ++i) {
            archive::ItemRecord r;
            r.RefersTo = i;
            r.Data = archive::Bytes(2000 + rng() % 16000, static_cast<std::uint8_t>(i));
            r.CompressedSize = static_cast<std::int32_t>(r.Data.size());
            r.DecompressedSize = r.CompressedSize;
            archive::UpdateDisplayTexts(r);
            table.Records.push_back(std::move(r));
        }
        table.Records.emplace_back();
        table.Records.back().RefersTo = kItems;
        table.ItemCount = table.SlotCount = kItems;
        bytes = archive::SerializeArchive(table);
        archive::SaveArchive(table, path);
    }
    ~Fixture() { fs::remove_all(folder); }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

void RemoveBackups() {
    for (const auto& e : fs::directory_iterator(Data().folder))
        if (e.path().extension() == ".BAK") fs::remove(e.path());
}

// Reads the file at path into buffer (sized to the file) with plain reads.
void ReadInto(const std::string& path, archive::Bytes& buffer) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t done = 0;
    while (done < buffer.size()) {
        ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
}

void BM_PlainRead(benchmark::State& state) {
    auto& f = Data();
    for (auto _ : state) {
        archive::Bytes buffer(static_cast<std::size_t>(fs::file_size(f.path)));
        ReadInto(f.path, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

// The same read into one buffer kept across iterations: no page faults for
// fresh memory, the tightest reference.
void BM_PlainReadIntoWarmBuffer(benchmark::State& state) {
    auto& f = Data();
    archive::Bytes buffer(static_cast<std::size_t>(fs::file_size(f.path)));
    for (auto _ : state) {
        ReadInto(f.path, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

void BM_LoadArchive(benchmark::State& state) {
    auto& f = Data();
    for (auto _ : state) {
        archive::ItemTable t;
        archive::LoadArchive(t, f.path);
        benchmark::DoNotOptimize(t.Records.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

void BM_PlainWrite(benchmark::State& state) {
    auto& f = Data();
    const std::string temp = f.path + ".plain";
    for (auto _ : state) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::size_t done = 0;
        while (done < f.bytes.size()) {
            ssize_t put = ::write(fd, f.bytes.data() + done, f.bytes.size() - done);
            if (put <= 0) break;
            done += static_cast<std::size_t>(put);
        }
        ::fsync(fd);
        ::close(fd);
        ::rename(temp.c_str(), (f.path + ".copy").c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
    fs::remove(f.path + ".copy");
}

void BM_SaveArchive(benchmark::State& state) {
    auto& f = Data();
    for (auto _ : state) {
        archive::SaveArchive(f.table, f.path);
        state.PauseTiming();
        RemoveBackups();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainReadIntoWarmBuffer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadArchive)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveArchive)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
