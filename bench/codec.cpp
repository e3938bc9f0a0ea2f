// Throughput of the LZ decoders and of the TarvoComp encoders over every file
// of the compression corpus.
//
// Decoders: each iteration decodes every corpus file once, in turn, and copies
// the same number of bytes with memcpy just before each decode, so every
// decoder figure has its memcpy reference from the same run and the branch
// predictor never sees one file twice in a row (decoding a small file back to
// back lets it learn the file and inflates the figure). Each file counts with
// its fastest round (decoder and memcpy alike); the whole corpus is the sum
// over files. Counters: MB/s of output and the percentage of memcpy
// throughput. A table per file follows the benchmark output.
//
// References: LZ4's safe decoder (LZ4_decompress_safe on LZ4_compress_default
// output) and zlib's uncompress (on compress2 output at the default level),
// each decoding its own stream of the same files as the decoders of a type
// (those the type's encoder shrinks), in the same run. The closing summary
// gives every decoder's throughput as a ratio to both over the whole corpus.
//
// Encoders: MB/s of input (thread CPU time, the fastest of three passes per
// file) and the compressed size.
//
// The decoder exports are loaded from the built libraries as the program
// loads them; run from the build's bin folder or anywhere (the folder of the
// benchmark program is searched).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <lz4.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench/corpus.h"
#include "codec/lz.h"
#include "codec/lz_encode.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct CorpusFile {
    std::string name;
    Bytes data;
    Bytes stream[3];  // by type; empty when the encoder does not shrink the file
    Bytes lz4, zlib;  // the references' streams of the same bytes
};

std::vector<CorpusFile>& Corpus() {
    static std::vector<CorpusFile> files = [] {
        std::vector<CorpusFile> out;
        const std::vector<fs::path> paths = bench_corpus::Files();
        codec::LzssEncoder lzss;
        for (const auto& p : paths) {
            CorpusFile f;
            f.name = p.filename().string();
            std::ifstream in(p, std::ios::binary);
            f.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            Bytes buf(f.data.size() * 2 + 16);
            std::int32_t r1 = lzss.Compress(f.data, buf);
            if (r1 < static_cast<std::int32_t>(f.data.size())) f.stream[1].assign(buf.begin(), buf.begin() + r1);
            std::int32_t r2 = codec::CompressLzmit(f.data, buf);
            if (r2 >= 0) f.stream[2].assign(buf.begin(), buf.begin() + r2);
            const int source = static_cast<int>(f.data.size());
            f.lz4.resize(static_cast<std::size_t>(LZ4_compressBound(source)));
            const int lz4Size = LZ4_compress_default(reinterpret_cast<const char*>(f.data.data()),
                                                     reinterpret_cast<char*>(f.lz4.data()), source,
                                                     static_cast<int>(f.lz4.size()));
            f.lz4.resize(static_cast<std::size_t>(std::max(lz4Size, 0)));
            uLongf zlibSize = compressBound(static_cast<uLong>(source));
            f.zlib.resize(zlibSize);
            if (compress2(f.zlib.data(), &zlibSize, f.data.data(), static_cast<uLong>(source), Z_DEFAULT_COMPRESSION) !=
                Z_OK)
                zlibSize = 0;
            f.zlib.resize(zlibSize);
            out.push_back(std::move(f));
        }
        return out;
    }();
    return files;
}

std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    return fs::path(buf).parent_path().string();
}

void* Library(const char* name) {
    static std::map<std::string, void*> loaded;
    auto it = loaded.find(name);
    if (it != loaded.end()) return it->second;
    void* h = ::dlopen((ProgramFolder() + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL);
    loaded[name] = h;
    return h;
}

template <typename Fn>
Fn Export(const char* lib, const char* name) {
    void* h = Library(lib);
    return h ? reinterpret_cast<Fn>(::dlsym(h, name)) : nullptr;
}

using OutFirst = void (*)(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t);
using InFirst = void (*)(const std::uint8_t*, std::uint8_t*, std::int32_t);
using Compressor = std::int32_t (*)(const std::uint8_t*, std::uint8_t*, std::int32_t);

// One decoder under test: decodes `stream` of type into out (size bytes).
// A reference decodes its own stream of each file (`input`) instead of the
// type's LZ stream, over the same files.
struct Decoder {
    std::string name;
    int type;
    std::function<void(const Bytes& stream, std::uint8_t* out, std::int32_t size)> run;
    std::function<const Bytes&(const CorpusFile&)> input = nullptr;
};

// Per file: the fastest of all rounds, for the decoder and for its memcpy
// reference alike. The machine is shared, and a round that was preempted
// says nothing about the decoder; the minimum does not see such rounds.
struct Tally {
    double decodeSeconds = 0, memcpySeconds = 0, bytes = 0;
    void Add(double decode, double copy, double size) {
        decodeSeconds = bytes == 0 ? decode : std::min(decodeSeconds, decode);
        memcpySeconds = bytes == 0 ? copy : std::min(memcpySeconds, copy);
        bytes = size;
    }
};
// decoder name -> file name -> tally (file "" holds the whole corpus)
std::map<std::string, std::map<std::string, Tally>> tallies;
std::vector<std::string> decoderOrder;

void DecodeCorpus(benchmark::State& state, const Decoder& d) {
    auto& files = Corpus();
    std::size_t biggest = 0;
    for (const auto& f : files) biggest = std::max(biggest, f.data.size());
    // Streams padded for the decoders that are not told the input length.
    std::vector<Bytes> padded;
    for (const auto& f : files) {
        Bytes p = d.input ? d.input(f) : f.stream[d.type];
        p.resize(p.size() + 64, 0);
        padded.push_back(std::move(p));
    }
    Bytes out(biggest + 64), copy(biggest + 64);
    auto& perFile = tallies[d.name];
    if (std::find(decoderOrder.begin(), decoderOrder.end(), d.name) == decoderOrder.end())
        decoderOrder.push_back(d.name);
    for (auto _ : state) {
        double decodeSeconds = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const auto& f = files[i];
            if (f.stream[d.type].empty()) continue;
            const auto size = static_cast<std::int32_t>(f.data.size());
            auto t0 = Clock::now();
            std::memcpy(copy.data(), f.data.data(), f.data.size());
            auto t1 = Clock::now();
            benchmark::DoNotOptimize(copy.data());
            benchmark::ClobberMemory();
            auto t2 = Clock::now();
            d.run(padded[i], out.data(), size);
            auto t3 = Clock::now();
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
            const double m = std::chrono::duration<double>(t1 - t0).count();
            const double s = std::chrono::duration<double>(t3 - t2).count();
            decodeSeconds += s;
            perFile[f.name].Add(s, m, f.data.size());
        }
        state.SetIterationTime(decodeSeconds);
    }
    Tally all;
    for (const auto& [name, t] : perFile) {
        if (name.empty()) continue;
        all.decodeSeconds += t.decodeSeconds;
        all.memcpySeconds += t.memcpySeconds;
        all.bytes += t.bytes;
    }
    perFile[""] = all;
    state.counters["MB/s"] = all.bytes / all.decodeSeconds / 1e6;
    state.counters["pct_of_memcpy"] = 100.0 * all.memcpySeconds / all.decodeSeconds;
    // Check once that the decoder is right, so a broken one cannot look fast.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].stream[d.type].empty()) continue;
        std::fill(out.begin(), out.end(), 0);
        d.run(padded[i], out.data(), static_cast<std::int32_t>(files[i].data.size()));
        if (!std::equal(files[i].data.begin(), files[i].data.end(), out.begin()))
            state.SkipWithError(("wrong output on " + files[i].name).c_str());
    }
}

// The reference decoders' names by type.
std::string Lz4Name(int type) { return "LZ4_decompress_safe type " + std::to_string(type); }
std::string ZlibName(int type) { return "zlib uncompress type " + std::to_string(type); }

std::vector<Decoder> Decoders() {
    std::vector<Decoder> list;
    for (int type : {1, 2}) {
        const std::string t = " type " + std::to_string(type);
        list.push_back({Lz4Name(type), type,
                        [](const Bytes& s, std::uint8_t* o, std::int32_t n) {
                            LZ4_decompress_safe(reinterpret_cast<const char*>(s.data()), reinterpret_cast<char*>(o),
                                                static_cast<int>(s.size() - 64), n);
                        },
                        [](const CorpusFile& f) -> const Bytes& { return f.lz4; }});
        list.push_back({ZlibName(type), type,
                        [](const Bytes& s, std::uint8_t* o, std::int32_t n) {
                            uLongf size = static_cast<uLongf>(n);
                            uncompress(o, &size, s.data(), static_cast<uLong>(s.size() - 64));
                        },
                        [](const CorpusFile& f) -> const Bytes& { return f.zlib; }});
        list.push_back({"bounded DecodeLZ" + t, type, [type](const Bytes& s, std::uint8_t* o, std::int32_t n) {
                            codec::DecodeLZType({s.data(), s.size() - 64}, {o, static_cast<std::size_t>(n)}, type);
                        }});
        if (auto fn = Export<OutFirst>("libTarvoComp.so", "ExpandLZ"))
            list.push_back({"TarvoComp ExpandLZ" + t, type,
                            [fn, type](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(o, s.data(), n, type + 1); }});
        if (auto fn = Export<OutFirst>("libTarvoCompC.so", "ExpandLZ"))
            list.push_back({"TarvoCompC ExpandLZ" + t, type,
                            [fn, type](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(o, s.data(), n, type + 1); }});
        if (auto fn = Export<OutFirst>("libTarvoCompC.so", "TarvoRessExpandLZEntry"))
            list.push_back({"TarvoRessExpandLZEntry" + t, type,
                            [fn, type](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(o, s.data(), n, type); }});
        if (auto fn = Export<OutFirst>("libTarvoCompC.so", "TarvoRessExpandLZEntryFixed"))
            list.push_back({"TarvoRessExpandLZEntryFixed" + t, type,
                            [fn, type](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(o, s.data(), n, type); }});
        if (type == 2) {
            if (auto fn = Export<InFirst>("libTarvoComp.so", "Expand_LZMIT"))
                list.push_back({"Expand_LZMIT" + t, type,
                                [fn](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(s.data(), o, n); }});
            if (auto fn = Export<InFirst>("libTarvoComp.so", "Mit_UnCompress_Lzss"))
                list.push_back({"Mit_UnCompress_Lzss" + t, type,
                                [fn](const Bytes& s, std::uint8_t* o, std::int32_t n) { fn(s.data(), o, n); }});
        }
        // The core of Decode1 / Decode2 (ExpandHOLZSS without its file I/O).
        list.push_back({"ring decoder (Decode" + std::to_string(type) + ")" + t, type,
                        [type](const Bytes& s, std::uint8_t* o, std::int32_t) {
                            static Bytes ring;
                            ring.clear();
                            codec::RingDecode({s.data(), s.size() - 64}, type, ring);
                            std::memcpy(o, ring.data(), ring.size());
                        }});
    }
    return list;
}

struct EncodeTally {
    double seconds = 0, in = 0, out = 0;
    struct PerFile {
        double seconds = 0, bytes = 0, size = 0;
    };
    std::map<std::string, PerFile> perFile;
};
std::map<std::string, EncodeTally> encodeTallies;

// CPU time of the calling thread: a pass preempted by other work on a shared
// machine does not count the time it waited.
double ThreadSeconds() {
    timespec ts;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void EncodeCorpus(benchmark::State& state, const std::string& name, Compressor fn) {
    auto& files = Corpus();
    Bytes out;
    EncodeTally& tally = encodeTallies[name];
    for (auto _ : state) {
        double seconds = 0;
        for (const auto& f : files) {
            out.resize(f.data.size() * 2 + 16);
            const double t0 = ThreadSeconds();
            std::int32_t r = fn(f.data.data(), out.data(), static_cast<std::int32_t>(f.data.size()));
            const double s = ThreadSeconds() - t0;
            seconds += s;
            auto& pf = tally.perFile[f.name];
            pf.seconds = pf.bytes == 0 ? s : std::min(pf.seconds, s);  // the fastest pass
            pf.bytes = f.data.size();
            pf.size = r < 0 ? f.data.size() : std::min<double>(r, f.data.size());
        }
        state.SetIterationTime(seconds);
    }
    tally.seconds = tally.in = tally.out = 0;
    for (const auto& [file, pf] : tally.perFile) {
        tally.seconds += pf.seconds;
        tally.in += pf.bytes;
        tally.out += pf.size;
    }
    state.counters["MB/s"] = tally.in / tally.seconds / 1e6;
    state.counters["ratio_pct"] = 100.0 * tally.out / tally.in;
}

void PrintTables() {
    auto& files = Corpus();
    std::printf("\nDecoders: %% of memcpy throughput (same run, interleaved across files); '-' = not compressible\n");
    std::printf("%-22s", "file");
    for (std::size_t k = 0; k < decoderOrder.size(); ++k) {
        char label[24];
        std::snprintf(label, sizeof label, "D%zu", k + 1);
        std::printf(" %6s", label);
    }
    std::printf("\n");
    for (const auto& f : files) {
        std::printf("%-22s", f.name.c_str());
        for (const auto& d : decoderOrder) {
            auto it = tallies[d].find(f.name);
            if (it == tallies[d].end() || it->second.decodeSeconds == 0)
                std::printf(" %6s", "-");
            else
                std::printf(" %5.1f%%", 100.0 * it->second.memcpySeconds / it->second.decodeSeconds);
        }
        std::printf("\n");
    }
    std::printf("%-22s", "WHOLE CORPUS");
    for (const auto& d : decoderOrder) {
        const Tally& t = tallies[d][""];
        std::printf(" %5.1f%%", t.decodeSeconds > 0 ? 100.0 * t.memcpySeconds / t.decodeSeconds : 0.0);
    }
    std::printf("\n%-22s", "min over files");
    for (const auto& d : decoderOrder) {
        double lo = 1e9;
        for (const auto& [name, t] : tallies[d])
            if (!name.empty() && t.decodeSeconds > 0) lo = std::min(lo, 100.0 * t.memcpySeconds / t.decodeSeconds);
        std::printf(" %5.1f%%", lo);
    }
    std::printf("\n");
    for (std::size_t k = 0; k < decoderOrder.size(); ++k) {
        const Tally& t = tallies[decoderOrder[k]][""];
        std::printf("  D%zu = %-40s %8.0f MB/s (memcpy %8.0f MB/s)\n", k + 1, decoderOrder[k].c_str(),
                    t.bytes / t.decodeSeconds / 1e6, t.bytes / t.memcpySeconds / 1e6);
    }
    std::printf("\nWhole corpus, throughput as a ratio to the references of the same type and run\n");
    std::printf("  %-40s %8s %8s\n", "decoder", "x LZ4", "x zlib");
    for (const auto& d : decoderOrder) {
        const int type = d.back() - '0';
        const double seconds = tallies[d][""].decodeSeconds;
        const double lz4 = tallies[Lz4Name(type)][""].decodeSeconds, zlib = tallies[ZlibName(type)][""].decodeSeconds;
        if (seconds > 0 && lz4 > 0 && zlib > 0) std::printf("  %-40s %8.2f %8.2f\n", d.c_str(), lz4 / seconds, zlib / seconds);
    }

    std::printf("\nEncoders: MB/s of input and compressed size (bytes; the input size when it does not shrink)\n");
    std::printf("%-22s %10s", "file", "size");
    for (const auto& [name, t] : encodeTallies) std::printf(" %16s %8s", name.c_str(), "MB/s");
    std::printf("\n");
    for (const auto& f : files) {
        std::printf("%-22s %10zu", f.name.c_str(), f.data.size());
        for (auto& [name, t] : encodeTallies) {
            const auto& pf = t.perFile[f.name];
            std::printf(" %16.0f %8.1f", pf.size, pf.seconds > 0 ? pf.bytes / pf.seconds / 1e6 : 0.0);
        }
        std::printf("\n");
    }
    std::printf("%-22s %10s", "WHOLE CORPUS", "");
    for (const auto& [name, t] : encodeTallies) std::printf(" %15.1f%% %8.1f", 100.0 * t.out / t.in, t.in / t.seconds / 1e6);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    bench_corpus::RequireFiles();
    for (const Decoder& d : Decoders()) {
        benchmark::RegisterBenchmark(("Decode/" + d.name).c_str(), [d](benchmark::State& s) { DecodeCorpus(s, d); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    }
    if (auto fn = Export<Compressor>("libTarvoComp.so", "Compress_LZSS"))
        benchmark::RegisterBenchmark("Encode/Compress_LZSS", [fn](benchmark::State& s) { EncodeCorpus(s, "Compress_LZSS", fn); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    if (auto fn = Export<Compressor>("libTarvoComp.so", "Compress_LZMIT"))
        benchmark::RegisterBenchmark("Encode/Compress_LZMIT", [fn](benchmark::State& s) { EncodeCorpus(s, "Compress_LZMIT", fn); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTables();
    return 0;
}
