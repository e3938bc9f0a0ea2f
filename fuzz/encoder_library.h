// For the encoder fuzz targets: a compression library of the build loaded
// from the folder of the fuzz program, as the program loads it, and the
// bounded codec decoder as the judge of its streams.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "codec/lz.h"

namespace fuzz_encoders {

// The export `symbol` of lib<name>.so beside the running program; aborts
// when it is missing (a broken build, not a finding).
template <class Function>
Function* Export(const char* name, const char* symbol) {
    char self[4096];
    const ssize_t got = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = got > 0 ? std::string(self, static_cast<std::size_t>(got)) : std::string(".");
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    void* handle = ::dlopen((dir + "lib" + name + ".so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void* address = handle ? ::dlsym(handle, symbol) : nullptr;
    if (!address) {
        std::fprintf(stderr, "cannot bind %s from lib%s.so: %s\n", symbol, name, handle ? "missing" : dlerror());
        std::abort();
    }
    return reinterpret_cast<Function*>(address);
}

// Aborts unless `stream` decodes as `type` to exactly `original`, reading all
// of the stream.
inline void CheckDecodes(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> original, int type) {
    std::vector<std::uint8_t> back(original.size());
    const auto result = codec::DecodeLZType(stream, back, type);
    if (!result.ok() || result.consumed != stream.size() ||
        !std::equal(back.begin(), back.end(), original.begin(), original.end())) {
        std::abort();
    }
}

}  // namespace fuzz_encoders
