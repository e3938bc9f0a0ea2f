// The compression libraries as the program meets them: loaded from the build
// folder by name, exports bound by plain name. Each decoder is wrapped into
// one shape (a stream, a size and a type in, bytes out) so tests can run
// every decoder on the same streams.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace encoder_libraries {

using testing_support::Bytes;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// How much of each corpus file runs through every decoder.
inline std::size_t CorpusPrefix() { return kSanitized ? 16 * 1024 : 64 * 1024; }

// A library of the build folder, loaded once per program; a missing export
// throws, so a test that needs one fails on its own.
class Library {
public:
    explicit Library(const std::string& name) {
        path_ = testing_support::BinDir() + "/lib" + name + ".so";
        handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) throw std::runtime_error("cannot load " + path_);
    }
    template <class Function>
    Function* Get(const char* symbol) const {
        void* address = ::dlsym(handle_, symbol);
        if (!address) throw std::runtime_error(std::string("missing export ") + symbol + " in " + path_);
        return reinterpret_cast<Function*>(address);
    }

private:
    std::string path_;
    void* handle_ = nullptr;
};

inline const Library& TarvoComp() {
    static const Library library("TarvoComp");
    return library;
}
inline const Library& TarvoCompC() {
    static const Library library("TarvoCompC");
    return library;
}
inline const Library& Pack() {
    static const Library library("Pack");
    return library;
}

// Signatures of the exports.
using BufferEncoder = std::int32_t(const std::uint8_t* input, std::uint8_t* output, std::int32_t length);
using FileFunction = std::int32_t(const char* in, const char* out, std::int32_t type);
using FileDecoder = std::int32_t(const char* in, const char* out, std::int32_t size, std::int32_t type);
using CompressFunction = void(std::int32_t inputLength, std::int32_t* outputLength, std::uint8_t* output,
                              const std::uint8_t* input, std::int32_t type);
using CompressHeskFunction = std::int32_t(std::uint8_t* output, const std::uint8_t* input, std::int32_t inputLength,
                                          std::int32_t type);
using CompressNewExFunction = std::int32_t(const std::uint8_t* input, std::int32_t inputLength,
                                           std::uint8_t* output, std::int32_t outputCapacity,
                                           std::int32_t* outputLength, std::int32_t type);
using UnpackFunction = std::int32_t(const std::uint8_t* input, std::int32_t inputLength, std::uint8_t* output,
                                    std::int32_t outputCapacity, std::int32_t type, std::int32_t decompressedSize);
using OutputFirstDecoder = void(std::uint8_t* output, const std::uint8_t* input, std::int32_t size,
                                std::int32_t biasOrType);
using InputFirstDecoder = void(const std::uint8_t* input, std::uint8_t* output, std::int32_t size);

// Runs a file-to-file export over `input` in a temporary folder and returns
// the output file (empty when it was not written).
inline Bytes ThroughFiles(const Bytes& input, const std::function<void(const char*, const char*)>& run) {
    testing_support::TempDir dir;
    const std::string in = dir.file("in.bin"), out = dir.file("out.bin");
    testing_support::WriteBytes(in, input);
    run(in.c_str(), out.c_str());
    std::error_code ec;
    if (!std::filesystem::exists(out, ec)) return {};
    return testing_support::ReadBytes(out);
}

// A decoder: the decompressed bytes of `stream` (of `size` bytes and type).
struct Decoder {
    std::string name;
    std::vector<int> types;
    std::function<Bytes(const Bytes& stream, std::size_t size, int type)> decode;
};

// Every decoder export of TarvoComp, TarvoCompC and Pack. The buffer decoders
// are not given the input length: the stream is padded so that one reading
// too far shows as a difference, and their output buffers carry guard bytes.
inline std::vector<Decoder> AllDecoders() {
    using Call = std::function<void(std::uint8_t* out, const std::uint8_t* in, std::int32_t size, int type)>;
    auto buffer = [](std::string name, std::vector<int> types, Call call) {
        return Decoder{name, types, [name, call](const Bytes& s, std::size_t size, int type) {
                           Bytes in = s, out(size + 8, 0xCD);
                           in.resize(s.size() + 64, 0);
                           call(out.data(), in.data(), static_cast<std::int32_t>(size), type);
                           if (out[size] != 0xCD) throw std::runtime_error(name + " wrote past the size");
                           out.resize(size);
                           return out;
                       }};
    };
    auto outputFirst = [&](const Library& (*library)(), const char* name, bool passType) {
        return buffer(std::string(library == &TarvoComp ? "TarvoComp " : "TarvoCompC ") + name, {1, 2},
                      [library, name, passType](std::uint8_t* o, const std::uint8_t* i, std::int32_t n, int type) {
                          library().Get<OutputFirstDecoder>(name)(o, i, n, passType ? type : type + 1);
                      });
    };
    auto inputFirst = [&](const char* name) {
        return buffer(name, {2}, [name](std::uint8_t* o, const std::uint8_t* i, std::int32_t n, int) {
            TarvoComp().Get<InputFirstDecoder>(name)(i, o, n);
        });
    };
    auto fileDecoder = [](const Library& (*library)(), const char* name) {
        return Decoder{name, {1, 2}, [library, name](const Bytes& s, std::size_t size, int type) {
                           auto* f = library().Get<FileDecoder>(name);
                           return ThroughFiles(
                               s, [&](const char* a, const char* b) { f(a, b, static_cast<std::int32_t>(size), type); });
                       }};
    };
    std::vector<Decoder> decoders = {
        outputFirst(&TarvoComp, "ExpandLZ", false), outputFirst(&TarvoCompC, "ExpandLZ", false),
        outputFirst(&TarvoCompC, "TarvoRessExpandLZEntry", true),
        outputFirst(&TarvoCompC, "TarvoRessExpandLZEntryFixed", true), inputFirst("Expand_LZMIT"),
        inputFirst("Mit_UnCompress_Lzss"), fileDecoder(&TarvoComp, "ExpandTarvo"),
        fileDecoder(&TarvoCompC, "ExpandQuenda")};
    decoders.push_back({"ExpandHOLZSS", {1, 2}, [](const Bytes& s, std::size_t, int type) {
                            auto* f = TarvoCompC().Get<FileFunction>("ExpandHOLZSS");
                            return ThroughFiles(s, [&](const char* a, const char* b) { f(a, b, type); });
                        }});
    decoders.push_back({"Unpack", {1, 2}, [](const Bytes& s, std::size_t size, int type) {
                            Bytes out(size);
                            const auto n = static_cast<std::int32_t>(size);
                            if (Pack().Get<UnpackFunction>("Unpack")(s.data(), static_cast<std::int32_t>(s.size()),
                                                                     out.data(), n, type, n) != n)
                                return Bytes{};
                            return out;
                        }});
    return decoders;
}

// Every decoder that takes `type` must turn `stream` into `want`.
inline void ExpectEveryDecoderGives(const Bytes& stream, int type, const Bytes& want, const std::string& what = "") {
    for (const Decoder& decoder : AllDecoders()) {
        if (std::find(decoder.types.begin(), decoder.types.end(), type) == decoder.types.end()) continue;
        EXPECT_TRUE(decoder.decode(stream, want.size(), type) == want) << decoder.name << " type " << type << " " << what;
    }
}

}  // namespace encoder_libraries
