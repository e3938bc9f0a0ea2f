// orvane-cli compress / decompress: raw LZ streams of compression types 1
// and 2, without an archive around them.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "cli/codec_methods.h"
#include "cli/command.h"
#include "codec/lz.h"
#include "codec/lz_encode.h"

namespace cli {

namespace {

std::vector<CompressMethod>& MethodRegistry() {
    static std::vector<CompressMethod> methods;
    return methods;
}

}  // namespace

CompressMethodRegistration::CompressMethodRegistration(const CompressMethod& method) {
    // "tarvo" stays first, as the default, whatever order the files register in.
    auto& methods = MethodRegistry();
    if (std::strcmp(method.name, "tarvo") == 0)
        methods.insert(methods.begin(), method);
    else
        methods.push_back(method);
}

const std::vector<CompressMethod>& CompressMethods() { return MethodRegistry(); }

namespace {

using Bytes = std::vector<std::uint8_t>;

extern const Command kCompress;
extern const Command kDecompress;

// The "Original Tarvo algorithm" encoders; their second builds write the
// same streams.
std::optional<Bytes> Tarvo(std::span<const std::uint8_t> input, int type) {
    Bytes out(input.size());
    std::int32_t r;
    if (type == 1) {
        static codec::LzssEncoder encoder;  // the same steps in both builds
        r = encoder.Compress(input, out);
        if (r >= static_cast<std::int32_t>(input.size()) && !input.empty()) return std::nullopt;
    } else {
        r = codec::CompressLzmit(input, out);
        if (r < 0) return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(r));
    return out;
}

const CompressMethodRegistration kTarvo({"tarvo", "Original Tarvo algorithm (Compress_LZSS / Compress_LZMIT)",
                                         Tarvo});
const CompressMethodRegistration kTarvoC({"tarvo-c", "its second build (Compress_LZSS_C / Compress_LZMIT_C)",
                                          Tarvo});

bool ReadFile(const std::string& path, Bytes& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

// "1" or "2"; 0 otherwise.
int ParseType(const std::string& text) { return text == "1" ? 1 : text == "2" ? 2 : 0; }

int RunCompress(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {}, {"type", "method"});
    if (!parsed.error.empty()) return UsageError(kCompress, parsed.error);
    if (parsed.positionals.size() != 2) return UsageError(kCompress, "expected an input and an output file");
    const int type = ParseType(parsed.Value("type"));
    if (type == 0) return UsageError(kCompress, "--type must be 1 or 2");
    const auto& methods = CompressMethods();
    const std::string methodName = parsed.Value("method", methods.empty() ? "" : methods.front().name);
    const CompressMethod* method = nullptr;
    for (const auto& m : methods)
        if (methodName == m.name) method = &m;
    if (!method) {
        std::string known;
        for (const auto& m : methods) known += (known.empty() ? "" : ", ") + std::string(m.name);
        return UsageError(kCompress, "unknown method '" + methodName + "' (known: " + known + ")");
    }
    const std::string& inPath = parsed.positionals[0];
    const std::string& outPath = parsed.positionals[1];
    Bytes input;
    if (!ReadFile(inPath, input)) return Fail("cannot read " + inPath);
    if (input.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Fail(inPath + " is too large (at most 2147483647 bytes)");
    std::optional<Bytes> stream = method->compress(input, type);
    if (!stream || stream->size() >= input.size())
        return Fail("the data does not shrink with type " + std::to_string(type) + " (method " + method->name +
                    "); nothing written");
    if (!WriteFile(outPath, *stream)) return Fail("cannot write " + outPath);
    std::printf("%s: %zu -> %zu bytes (type %d, method %s)\n", inPath.c_str(), input.size(), stream->size(), type,
                method->name);
    return kExitOk;
}

int RunDecompress(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {}, {"type", "size"});
    if (!parsed.error.empty()) return UsageError(kDecompress, parsed.error);
    if (parsed.positionals.size() != 2) return UsageError(kDecompress, "expected an input and an output file");
    const int type = ParseType(parsed.Value("type"));
    if (type == 0) return UsageError(kDecompress, "--type must be 1 or 2");
    const std::string sizeText = parsed.Value("size");
    char* end = nullptr;
    errno = 0;
    const long long size = sizeText.empty() ? -1 : std::strtoll(sizeText.c_str(), &end, 10);
    if (sizeText.empty() || *end != '\0' || errno != 0 || size < 0 ||
        size > std::numeric_limits<std::int32_t>::max())
        return UsageError(kDecompress, "--size must be a whole number from 0 to 2147483647");
    const std::string& inPath = parsed.positionals[0];
    const std::string& outPath = parsed.positionals[1];
    Bytes input;
    if (!ReadFile(inPath, input)) return Fail("cannot read " + inPath);
    const std::uint64_t most = codec::MaxDecompressedSize(input.size(), type);
    if (static_cast<std::uint64_t>(size) > most)
        return Fail(inPath + ": damaged stream: " + std::to_string(input.size()) + " bytes of type " +
                    std::to_string(type) + " describe at most " + std::to_string(most) + " bytes, not " +
                    std::to_string(size));
    Bytes output(static_cast<std::size_t>(size));
    const codec::DecodeResult r = codec::DecodeLZType(input, output, type);
    if (!r.ok())
        return Fail(inPath + ": damaged stream: " + codec::DecodeStatusText(r.status) + " (after " +
                    std::to_string(r.produced) + " of " + std::to_string(size) + " bytes)");
    if (r.consumed != input.size())
        return Fail(inPath + ": damaged stream: " + std::to_string(input.size() - r.consumed) +
                    " bytes follow the end of the stream");
    if (!WriteFile(outPath, output)) return Fail("cannot write " + outPath);
    return kExitOk;
}

const char* MethodHelp() {
    static std::string text = [] {
        std::string s = "Methods:\n";
        for (const auto& m : CompressMethods()) {
            std::string name = m.name;
            s += "  " + name + std::string(name.size() < 10 ? 10 - name.size() : 1, ' ') + m.summary + "\n";
        }
        return s;
    }();
    return text.c_str();
}

const Command kCompress = {
    "compress",
    "compress --type 1|2 [--method NAME] IN OUT",
    "Compress a file to a raw LZ stream of type 1 (LZSS) or 2 (LZMIT)",
    "Writes the stream of IN to OUT, with no header: the decompressed size is\n"
    "not stored and must be given to 'decompress'.\n\n"
    "Options:\n"
    "  --type 1|2       the compression type (1 = LZSS, 2 = LZMIT)\n"
    "  --method NAME    the encoder; 'tarvo' (the default) and 'tarvo-c', and\n"
    "                   more: 'orvane-cli compress --methods' lists them all\n\n"
    "Exit status: 0 when the stream was written, 1 when the data does not\n"
    "shrink (nothing is written) or a file cannot be read or written, 2 on\n"
    "wrong usage.\n",
    [](const Args& args) {
        for (const auto& a : args)
            if (a == "--methods") {
                std::printf("%s", MethodHelp());
                return kExitOk;
            }
        return RunCompress(args);
    },
};

const Command kDecompress = {
    "decompress",
    "decompress --type 1|2 --size N IN OUT",
    "Decode a raw LZ stream of type 1 or 2 to N bytes",
    "Decodes IN, a raw stream of the given type, to exactly N bytes in OUT.\n"
    "The stream is checked as it is decoded: a stream that ends too early, a\n"
    "back-reference before the start of the data or past N bytes, a size that\n"
    "the stream cannot describe, or bytes after the end of the stream make the\n"
    "command fail without writing OUT.\n\n"
    "Exit status: 0 when OUT was written, 1 on a damaged stream or a file\n"
    "error, 2 on wrong usage.\n",
    RunDecompress,
};

const CommandRegistration kCompressRegistration(kCompress);
const CommandRegistration kDecompressRegistration(kDecompress);

}  // namespace
}  // namespace cli
