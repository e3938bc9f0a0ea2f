// The compress methods beside "tarvo": the Okumura and Dravik encoders as the
// program runs them (archive::CompressFile, which loads libTarvoCompC.so from
// the program's folder), the second search encoder CompressHesk of the same
// library, and the optimal parse behind library Pack.
#include <dlfcn.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/compression_dispatch.h"
#include "archive/error.h"
#include "archive/program_directory.h"
#include "cli/codec_methods.h"
#include "codec/lz.h"
#include "codec/optimal_parse.h"

namespace cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> ThroughCompressFile(std::span<const std::uint8_t> input, int type, archive::Method method) {
    archive::MethodSettings settings;
    settings.CType1Algorithm = archive::Type1EncoderValue(method);
    settings.CType2Algorithm = archive::Type2EncoderValue(method);
    const archive::Bytes in(input.begin(), input.end());
    archive::Bytes out;
    auto storedType = static_cast<std::int16_t>(type);
    archive::CompressFile(in, out, storedType, settings);
    if (storedType == 0) return std::nullopt;  // stored: the data does not shrink
    return out;
}

// CompressHesk is no method of the program, which binds it but never calls
// it; it is loaded here the way the program loads its libraries.
std::optional<Bytes> Hesk(std::span<const std::uint8_t> input, int type) {
    using CompressHeskFunction = std::int32_t (*)(std::uint8_t*, const std::uint8_t*, std::int32_t, std::int32_t);
    const std::string path = archive::ProgramDirectory() + "libTarvoCompC.so";
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        throw archive::Error(archive::kLibraryNotFound, "compress",
                             "Cannot load the compression library '" + path + "'");
    }
    auto compress = reinterpret_cast<CompressHeskFunction>(::dlsym(library, "CompressHesk"));
    if (!compress) {
        throw archive::Error(archive::kExportNotFound, "compress",
                             "Cannot find the function 'CompressHesk' in the library '" + path + "'");
    }
    Bytes out(static_cast<std::size_t>(codec::MaxCompressedSize(input.size())));
    out.resize(static_cast<std::size_t>(
        compress(out.data(), input.data(), static_cast<std::int32_t>(input.size()), type)));
    return out;
}

const CompressMethodRegistration kOkumura(
    {"okumura", "Algorithm by Haruhiko Okumura (CompressHOLZSS, through temporary files)",
     [](std::span<const std::uint8_t> in, int type) { return ThroughCompressFile(in, type, archive::Method::Okumura); }});
const CompressMethodRegistration kDravik(
    {"dravik", "Dravik (dravix)'s algorithm (Compress)",
     [](std::span<const std::uint8_t> in, int type) { return ThroughCompressFile(in, type, archive::Method::Dravik); }});
const CompressMethodRegistration kHesk({"hesk", "the second search encoder of TarvoCompC (CompressHesk)", &Hesk});
const CompressMethodRegistration kPack(
    {"pack", "Hesk's algorithm (CompressNewEx): an optimal parse, the smallest stream of the type",
     [](std::span<const std::uint8_t> in, int type) -> std::optional<Bytes> {
         return codec::CompressOptimal(in, type);
     }});

}  // namespace

}  // namespace cli
