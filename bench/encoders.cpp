// Every encoder of the LZ stream over every corpus file, in one run: the
// throughput of each (MB/s of input) and its compressed size relative to
// CompressNewEx of the same type on the same file (1.000 = as small; above 1
// is larger). Unpack's decoding speed is measured beside memcpy of the same
// output size. The libraries are loaded from the folder of this program, as
// the program loads them. After the Google Benchmark lines a summary table
// per type is printed, with the totals over the corpus. Its speeds are of
// the process's CPU time, which a busy machine disturbs less than the wall
// clock; its totals count what an archive stores: a stream that does not
// shrink (or that an encoder gives up on) as the input itself. zlib's
// compress2 at levels 6 and 9 runs on the same files as the reference: the
// last lines give each encoder's total speed as a multiple of theirs. With
// --benchmark_repetitions the fastest repetition of each encoder on each
// file counts, so that a moment of load on a shared machine does not decide
// a ratio. Add --benchmark_enable_random_interleaving=true: the repetitions
// of one benchmark otherwise run back to back, and a slower spell of the
// machine (a shared one can run the same code a third slower for a minute)
// then takes all of them.
//
// CompressTarvo and CompressDravik are left out: they run Compress_LZSS /
// Compress_LZMIT and Compress on a whole file and add only file I/O.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/corpus.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string ProgramFolder() {
    char self[4096];
    const ssize_t got = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path = got > 0 ? std::string(self, static_cast<std::size_t>(got)) : std::string("./x");
    return path.substr(0, path.find_last_of('/') + 1);
}

void* Export(const char* library, const char* symbol) {
    const std::string path = ProgramFolder() + "lib" + library + ".so";
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw std::runtime_error("cannot load " + path);
    void* address = ::dlsym(handle, symbol);
    if (!address) throw std::runtime_error(std::string("missing export ") + symbol);
    return address;
}

template <class F>
F* Bind(const char* library, const char* symbol) {
    return reinterpret_cast<F*>(Export(library, symbol));
}

using BufferEncoder = std::int32_t(const std::uint8_t*, std::uint8_t*, std::int32_t);
using FileFunction = std::int32_t(const char*, const char*, std::int32_t);
using CompressFunction = void(std::int32_t, std::int32_t*, std::uint8_t*, const std::uint8_t*, std::int32_t);
using HeskFunction = std::int32_t(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t);
using NewExFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, std::int32_t*,
                                   std::int32_t);
using UnpackFunction = std::int32_t(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, std::int32_t,
                                    std::int32_t);

struct Corpus {
    std::string name;
    Bytes data;
    std::string path;  // the file itself, for the file-to-file encoder
};

std::vector<Corpus> LoadCorpus() {
    std::vector<Corpus> files;
    for (const auto& path : bench_corpus::Files()) {
        std::ifstream in(path, std::ios::binary);
        files.push_back({path.filename().string(),
                         Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), path.string()});
    }
    return files;
}

// An encoder: the compressed length of the file, written into `out` (room
// for twice the input). A negative length: the encoder gave up (no shrink).
struct Encoder {
    const char* name;
    int type;
    std::function<std::int64_t(const Corpus&, Bytes& out)> run;
};

std::string TempOutput() { return (fs::temp_directory_path() / ("orvane-bench-enc-" + std::to_string(::getpid()))).string(); }

std::vector<Encoder> Encoders() {
    std::vector<Encoder> encoders;
    // Compress_LZSS gives up with the input length, Compress_LZMIT with -1.
    auto buffer = [](const char* name, int type) {
        auto* f = Bind<BufferEncoder>("TarvoComp", name);
        return Encoder{name, type, [f](const Corpus& c, Bytes& out) -> std::int64_t {
                           const auto n = static_cast<std::int32_t>(c.data.size());
                           const std::int32_t length = f(c.data.data(), out.data(), n);
                           return length >= n && n > 0 ? -1 : length;
                       }};
    };
    auto* holzss = Bind<FileFunction>("TarvoCompC", "CompressHOLZSS");
    auto* compress = Bind<CompressFunction>("TarvoCompC", "Compress");
    auto* hesk = Bind<HeskFunction>("TarvoCompC", "CompressHesk");
    auto* newEx = Bind<NewExFunction>("Pack", "CompressNewEx");
    for (int type = 1; type <= 2; ++type) {
        if (type == 1) {
            encoders.push_back(buffer("Compress_LZSS", 1));
            encoders.push_back(buffer("Compress_LZSS_C", 1));
        } else {
            encoders.push_back(buffer("Compress_LZMIT", 2));
            encoders.push_back(buffer("Compress_LZMIT_C", 2));
        }
        encoders.push_back({"CompressHOLZSS", type, [holzss, type](const Corpus& c, Bytes&) -> std::int64_t {
                                const std::string out = TempOutput();
                                holzss(c.path.c_str(), out.c_str(), type);
                                const auto size = static_cast<std::int64_t>(fs::file_size(out));
                                fs::remove(out);
                                return size;
                            }});
        encoders.push_back({"Compress", type, [compress, type](const Corpus& c, Bytes& out) -> std::int64_t {
                                std::int32_t length = 0;
                                compress(static_cast<std::int32_t>(c.data.size()), &length, out.data(),
                                         c.data.data(), type);
                                return length;
                            }});
        encoders.push_back({"CompressHesk", type, [hesk, type](const Corpus& c, Bytes& out) -> std::int64_t {
                                return hesk(out.data(), c.data.data(), static_cast<std::int32_t>(c.data.size()),
                                            type);
                            }});
        encoders.push_back({"CompressNewEx", type, [newEx, type](const Corpus& c, Bytes& out) -> std::int64_t {
                                std::int32_t length = 0;
                                newEx(c.data.data(), static_cast<std::int32_t>(c.data.size()), out.data(),
                                      static_cast<std::int32_t>(out.size()), &length, type);
                                return length;
                            }});
    }
    return encoders;
}

struct Measure {
    double seconds = 0;  // CPU time per run
    std::int64_t size = 0;
};

double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// results[type][file][encoder]; zlib's under kZlib[0] and kZlib[1] in both types.
std::map<int, std::map<std::string, std::map<std::string, Measure>>> results;
std::vector<std::string> encoderOrder[3];
const char* const kZlib[] = {"zlib 6", "zlib 9"};
const int kZlibLevel[] = {6, 9};

// Keeps the fastest of the repetitions.
void Record(int type, const std::string& file, const std::string& encoder, const Measure& m) {
    auto [slot, fresh] = results[type][file].try_emplace(encoder, m);
    if (!fresh && m.seconds < slot->second.seconds) slot->second = m;
}

// Runs body as often as Google Benchmark asks; the CPU time of the whole loop
// divided by the runs, so that tiny inputs are not lost in clock overhead.
template <class Body>
Measure Time(benchmark::State& state, Body body) {
    Measure m;
    std::int64_t runs = 0;
    const double start = CpuSeconds();
    for (auto _ : state) {
        m.size = body();
        ++runs;
    }
    m.seconds = runs ? (CpuSeconds() - start) / static_cast<double>(runs) : 0;
    return m;
}

void PrintSummary(const std::vector<Corpus>& corpus) {
    for (int type = 1; type <= 2; ++type) {
        const auto& byFile = results[type];
        if (byFile.empty()) continue;
        std::printf("\nType %d: MB/s of input (CPU time), and stream size / CompressNewEx stream size (1.000 = equal;\n"
                    "\"give up\": the encoder reports that the data does not shrink)\n",
                    type);
        std::printf("%-22s", "file");
        for (const auto& e : encoderOrder[type]) std::printf(" %22s", e.c_str());
        for (const char* z : kZlib) std::printf(" %22s", z);
        std::printf(" %20s\n", "Unpack MB/s (%memcpy)");
        std::map<std::string, double> seconds, size;
        double newExTotal = 0, unpackSeconds = 0, memcpySeconds = 0, bytes = 0;
        for (const auto& c : corpus) {
            const auto found = byFile.find(c.name);
            if (found == byFile.end() || found->second.size() != encoderOrder[type].size() + 4) continue;
            const auto& row = found->second;
            const double n = static_cast<double>(c.data.size());
            const double newEx = static_cast<double>(row.at("CompressNewEx").size);
            std::printf("%-22s", c.name.c_str());
            for (const auto& e : encoderOrder[type]) {
                const Measure& m = row.at(e);
                seconds[e] += m.seconds;
                if (m.size < 0) {
                    std::printf(" %12.1f %9s", n / m.seconds / 1e6, "give up");
                } else {
                    std::printf(" %12.1f %9.3f", n / m.seconds / 1e6, static_cast<double>(m.size) / newEx);
                }
                size[e] += m.size < 0 ? n : std::min(n, static_cast<double>(m.size));
            }
            for (const char* z : kZlib) {
                const Measure& m = row.at(z);
                seconds[z] += m.seconds;
                size[z] += static_cast<double>(m.size);
                std::printf(" %12.1f %9.3f", n / m.seconds / 1e6, static_cast<double>(m.size) / newEx);
            }
            const Measure& u = row.at("Unpack");
            const Measure& mc = row.at("memcpy");
            std::printf(" %10.0f (%5.1f%%)\n", n / u.seconds / 1e6, 100.0 * mc.seconds / u.seconds);
            newExTotal += std::min(n, newEx);
            unpackSeconds += u.seconds;
            memcpySeconds += mc.seconds;
            bytes += n;
        }
        std::printf("%-22s", "TOTAL");
        std::vector<std::string> columns = encoderOrder[type];
        columns.insert(columns.end(), std::begin(kZlib), std::end(kZlib));
        for (const auto& e : columns) std::printf(" %12.1f %9.3f", bytes / seconds[e] / 1e6, size[e] / newExTotal);
        std::printf(" %10.0f (%5.1f%%)\n", bytes / unpackSeconds / 1e6, 100.0 * memcpySeconds / unpackSeconds);
        for (int z = 0; z < 2; ++z) {
            std::printf("%-22s", (std::string("speed x ") + kZlib[z]).c_str());
            for (const auto& e : columns) std::printf(" %22.2f", seconds[kZlib[z]] / seconds[e]);
            std::printf("\n");
        }
        const char* greedy = type == 1 ? "Compress_LZSS" : "Compress_LZMIT";
        std::printf("Stored over the corpus: CompressNewEx %.0f bytes, %.2f%% smaller than %s (%.0f)\n",
                    newExTotal, 100.0 * (1.0 - newExTotal / size[greedy]), greedy, size[greedy]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench_corpus::RequireFiles();
    benchmark::Initialize(&argc, argv);
    const std::vector<Corpus> corpus = LoadCorpus();
    const std::vector<Encoder> encoders = Encoders();
    auto* unpack = Bind<UnpackFunction>("Pack", "Unpack");
    auto* newEx = Bind<NewExFunction>("Pack", "CompressNewEx");
    for (const auto& e : encoders) encoderOrder[e.type].push_back(e.name);
    for (const auto& c : corpus) {
        for (const auto& e : encoders) {
            const std::string name = std::string(e.name) + "/type" + std::to_string(e.type) + "/" + c.name;
            benchmark::RegisterBenchmark(name.c_str(), [&c, &e](benchmark::State& state) {
                Bytes out(2 * c.data.size() + 64);
                Record(e.type, c.name, e.name, Time(state, [&] { return e.run(c, out); }));
                state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.data.size()));
            })->Unit(benchmark::kMillisecond)->MinTime(0.2)->UseRealTime();
        }
        for (int type = 1; type <= 2; ++type) {
            const std::string name = "Unpack/type" + std::to_string(type) + "/" + c.name;
            benchmark::RegisterBenchmark(name.c_str(), [&c, type, unpack, newEx](benchmark::State& state) {
                Bytes stream(2 * c.data.size() + 64), out(c.data.size());
                std::int32_t length = 0;
                newEx(c.data.data(), static_cast<std::int32_t>(c.data.size()), stream.data(),
                      static_cast<std::int32_t>(stream.size()), &length, type);
                const auto n = static_cast<std::int32_t>(c.data.size());
                Record(type, c.name, "Unpack",
                       Time(state, [&] { return unpack(stream.data(), length, out.data(), n, type, n); }));
                if (out != c.data) state.SkipWithError("Unpack gave other bytes");
                state.SetBytesProcessed(state.iterations() * n);
            })->Unit(benchmark::kMillisecond)->MinTime(0.2)->UseRealTime();
            const std::string copyName = "memcpy/type" + std::to_string(type) + "/" + c.name;
            benchmark::RegisterBenchmark(copyName.c_str(), [&c, type](benchmark::State& state) {
                Bytes out(c.data.size());
                Record(type, c.name, "memcpy", Time(state, [&] {
                           std::memcpy(out.data(), c.data.data(), c.data.size());
                           benchmark::DoNotOptimize(out.data());
                           return static_cast<std::int64_t>(out.size());
                       }));
                state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.data.size()));
            })->Unit(benchmark::kMillisecond)->MinTime(0.2)->UseRealTime();
        }
        for (int z = 0; z < 2; ++z) {
            const std::string name = std::string("zlib/level") + std::to_string(kZlibLevel[z]) + "/" + c.name;
            benchmark::RegisterBenchmark(name.c_str(), [&c, z](benchmark::State& state) {
                Bytes out(compressBound(static_cast<uLong>(c.data.size())));
                const Measure m = Time(state, [&] {
                    uLongf length = static_cast<uLongf>(out.size());
                    if (compress2(out.data(), &length, c.data.data(), static_cast<uLong>(c.data.size()),
                                  kZlibLevel[z]) != Z_OK) {
                        return std::int64_t{-1};
                    }
                    return static_cast<std::int64_t>(length);
                });
                for (int type = 1; type <= 2; ++type) Record(type, c.name, kZlib[z], m);
                state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.data.size()));
            })->Unit(benchmark::kMillisecond)->MinTime(0.2)->UseRealTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // A filtered run summarises the files it measured completely.
    PrintSummary(corpus);
    return 0;
}
