// The compression libraries as the program meets them: loaded from the build
// folder by name, exports bound by plain name. Each encoder and decoder is
// wrapped into one shape (bytes and a type in, bytes out) so tests can run
// every encoder against every decoder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "libs/library.h"
#include "support/test_support.h"

namespace encoder_libraries {

using testing_support::Bytes;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// How much of each corpus file a test runs through every encoder: the
// exhaustive-search encoders make whole files too costly for the suite, the
// sanitizers above all. A prefix carries each file's character.
inline std::size_t CorpusPrefix() { return kSanitized ? 16 * 1024 : 64 * 1024; }

// A library of the build folder whose missing exports throw, so a test that
// needs one fails on its own instead of calling through a null pointer.
class Library {
public:
    explicit Library(const std::string& name) : library_("lib" + name + ".so") {
        if (!library_.loaded()) throw std::runtime_error("cannot load " + library_.path());
    }

    template <class Function>
    Function* Get(const char* symbol) const {
        auto* address = library_.Get<Function*>(symbol);
        if (!address) throw std::runtime_error(std::string("missing export ") + symbol);
        return address;
    }

private:
    libtest::Library library_;
};

// Loaded once per test program and kept.
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
using BufferEncoder = std::remove_pointer_t<libtest::BufferCompress>;
using FileFunction = std::remove_pointer_t<libtest::FileFn3>;
using FileDecoder = std::remove_pointer_t<libtest::FileExpand4>;
using CompressFunction = void(std::int32_t inputLength, std::int32_t* outputLength, std::uint8_t* output,
                              const std::uint8_t* input, std::int32_t type);
using CompressHeskFunction = std::int32_t(std::uint8_t* output, const std::uint8_t* input, std::int32_t inputLength,
                                          std::int32_t type);
using CompressNewExFunction = std::int32_t(const std::uint8_t* input, std::int32_t inputLength,
                                           std::uint8_t* output, std::int32_t outputCapacity,
                                           std::int32_t* outputLength, std::int32_t type);
using UnpackFunction = std::int32_t(const std::uint8_t* input, std::int32_t inputLength, std::uint8_t* output,
                                    std::int32_t outputCapacity, std::int32_t type, std::int32_t decompressedSize);
using OutputFirstDecoder = std::remove_pointer_t<libtest::BufferExpandOutFirst>;
using InputFirstDecoder = std::remove_pointer_t<libtest::BufferExpandInFirst>;

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

// An encoder of one type: the stream it writes for `input`, or nothing when
// it reports that the data does not shrink.
struct Encoder {
    std::string name;
    std::vector<int> types;  // the types it writes
    std::function<std::optional<Bytes>(const Bytes& input, int type)> encode;
};

// A decoder: the decompressed bytes of `stream` (of `size` bytes and type).
struct Decoder {
    std::string name;
    std::vector<int> types;
    std::function<Bytes(const Bytes& stream, std::size_t size, int type)> decode;
};

// The encoders of this libraries (TarvoCompC, Pack).
inline std::vector<Encoder> OwnEncoders() {
    std::vector<Encoder> encoders;
    encoders.push_back({"CompressHOLZSS", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        auto* f = TarvoCompC().Get<FileFunction>("CompressHOLZSS");
        return ThroughFiles(in, [&](const char* a, const char* b) { f(a, b, type); });
    }});
    encoders.push_back({"Compress", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        auto* f = TarvoCompC().Get<CompressFunction>("Compress");
        Bytes out(in.size() + (in.size() + 7) / 8);
        std::int32_t length = -1;
        f(static_cast<std::int32_t>(in.size()), &length, out.data(), in.data(), type);
        out.resize(static_cast<std::size_t>(length));
        return out;
    }});
    encoders.push_back({"CompressDravik", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        auto* f = TarvoCompC().Get<FileFunction>("CompressDravik");
        return ThroughFiles(in, [&](const char* a, const char* b) { f(a, b, type); });
    }});
    encoders.push_back({"CompressHesk", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        auto* f = TarvoCompC().Get<CompressHeskFunction>("CompressHesk");
        Bytes out(in.size() + (in.size() + 7) / 8);
        out.resize(static_cast<std::size_t>(f(out.data(), in.data(), static_cast<std::int32_t>(in.size()), type)));
        return out;
    }});
    encoders.push_back({"CompressNewEx", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        auto* f = Pack().Get<CompressNewExFunction>("CompressNewEx");
        Bytes out(in.size() + (in.size() + 7) / 8);
        std::int32_t length = -1;
        if (f(in.data(), static_cast<std::int32_t>(in.size()), out.data(), static_cast<std::int32_t>(out.size()),
              &length, type) != 0) {
            throw std::runtime_error("CompressNewEx failed");
        }
        out.resize(static_cast<std::size_t>(length));
        return out;
    }});
    return encoders;
}

// The encoders of library TarvoComp.
inline std::vector<Encoder> TarvoCompEncoders() {
    auto buffer = [](const char* name, int type) {
        return Encoder{name, {type}, [name](const Bytes& in, int) -> std::optional<Bytes> {
                           auto* f = TarvoComp().Get<BufferEncoder>(name);
                           Bytes out(2 * in.size() + 16);
                           const std::int32_t length = f(in.data(), out.data(), static_cast<std::int32_t>(in.size()));
                           if (length < 0 || (length == static_cast<std::int32_t>(in.size()) && !in.empty())) {
                               return std::nullopt;  // does not shrink
                           }
                           out.resize(static_cast<std::size_t>(length));
                           return out;
                       }};
    };
    std::vector<Encoder> encoders = {buffer("Compress_LZSS", 1), buffer("Compress_LZSS_C", 1),
                                         buffer("Compress_LZMIT", 2), buffer("Compress_LZMIT_C", 2)};
    encoders.push_back({"CompressTarvo", {1, 2}, [](const Bytes& in, int type) -> std::optional<Bytes> {
        // An empty output file for a non-empty input: the data does not shrink.
        auto* f = TarvoComp().Get<FileFunction>("CompressTarvo");
        Bytes out = ThroughFiles(in, [&](const char* a, const char* b) { f(a, b, type); });
        if (out.empty() && !in.empty()) return std::nullopt;
        return out;
    }});
    return encoders;
}

// Every decoder export of TarvoComp, TarvoCompC and Pack.
inline std::vector<Decoder> AllDecoders() {
    std::vector<Decoder> decoders;
    auto outputFirst = [](const Library& (*library)(), const char* name, bool passType) {
        return Decoder{name, {1, 2}, [library, name, passType](const Bytes& s, std::size_t size, int type) {
                           auto* f = library().Get<OutputFirstDecoder>(name);
                           Bytes out(size);
                           f(out.data(), s.data(), static_cast<std::int32_t>(size), passType ? type : type + 1);
                           return out;
                       }};
    };
    auto inputFirst = [](const char* name) {
        return Decoder{name, {2}, [name](const Bytes& s, std::size_t size, int) {
                           auto* f = TarvoComp().Get<InputFirstDecoder>(name);
                           Bytes out(size);
                           f(s.data(), out.data(), static_cast<std::int32_t>(size));
                           return out;
                       }};
    };
    auto fileDecoder = [](const Library& (*library)(), const char* name) {
        return Decoder{name, {1, 2}, [library, name](const Bytes& s, std::size_t size, int type) {
                           auto* f = library().Get<FileDecoder>(name);
                           return ThroughFiles(s, [&](const char* a, const char* b) {
                               f(a, b, static_cast<std::int32_t>(size), type);
                           });
                       }};
    };
    decoders.push_back(outputFirst(&TarvoComp, "ExpandLZ", false));
    decoders.back().name = "TarvoComp ExpandLZ";
    decoders.push_back(outputFirst(&TarvoCompC, "ExpandLZ", false));
    decoders.back().name = "TarvoCompC ExpandLZ";
    decoders.push_back(outputFirst(&TarvoCompC, "TarvoRessExpandLZEntry", true));
    decoders.push_back(outputFirst(&TarvoCompC, "TarvoRessExpandLZEntryFixed", true));
    decoders.push_back(inputFirst("Expand_LZMIT"));
    decoders.push_back(inputFirst("Mit_UnCompress_Lzss"));
    decoders.push_back(fileDecoder(&TarvoComp, "ExpandTarvo"));
    decoders.push_back(fileDecoder(&TarvoCompC, "ExpandQuenda"));
    decoders.push_back({"ExpandHOLZSS", {1, 2}, [](const Bytes& s, std::size_t, int type) {
                            auto* f = TarvoCompC().Get<FileFunction>("ExpandHOLZSS");
                            return ThroughFiles(s, [&](const char* a, const char* b) { f(a, b, type); });
                        }});
    decoders.push_back({"Unpack", {1, 2}, [](const Bytes& s, std::size_t size, int type) {
                            auto* f = Pack().Get<UnpackFunction>("Unpack");
                            Bytes out(size);
                            const std::int32_t got =
                                f(s.data(), static_cast<std::int32_t>(s.size()), out.data(),
                                  static_cast<std::int32_t>(out.size()), type, static_cast<std::int32_t>(size));
                            if (got != static_cast<std::int32_t>(size)) return Bytes{};
                            return out;
                        }});
    return decoders;
}

}  // namespace encoder_libraries
