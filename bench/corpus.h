// The full compression corpus the benchmarks read: the folder named by the
// environment variable ORVANE_CORPUS_DIR, else the one set when the build was
// configured (-DORVANE_CORPUS_DIR, by default ../shared/corpus beside the
// checkout). The tests never read it; they carry their own data.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace bench_corpus {

inline std::filesystem::path Folder() {
    const char* set = std::getenv("ORVANE_CORPUS_DIR");
    return set && *set ? std::filesystem::path(set) : std::filesystem::path(ORVANE_CORPUS_DIR);
}

// The corpus files (its README.md left out), sorted by name; none when the
// folder is missing.
inline std::vector<std::filesystem::path> Files() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(Folder(), error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && it->path().filename() != "README.md") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Called first in main: without corpus files there is nothing to measure, so
// the program says where it looked and ends with status 0.
inline void RequireFiles() {
    if (!Files().empty()) return;
    std::printf("No compression corpus in %s: nothing to measure. Set ORVANE_CORPUS_DIR to the corpus folder.\n",
                Folder().string().c_str());
    std::exit(0);
}

// The main of a benchmark program that reads only the corpus.
inline int RunBenchmarks(int argc, char** argv) {
    RequireFiles();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench_corpus
