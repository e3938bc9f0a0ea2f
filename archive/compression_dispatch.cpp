#include "archive/compression_dispatch.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <span>

#include "archive/error.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "codec/lz.h"
#include "pack/pack.h"

namespace archive {

namespace {

constexpr const char* kCompressSource = "CompressFile";
constexpr const char* kExpandSource = "ExpandCompressedFile";

constexpr const char* kTarvoComp = "libTarvoComp.so";
constexpr const char* kTarvoCompC = "libTarvoCompC.so";
constexpr const char* kPack = "libPack.so";

// The exports as the libraries define them: 32-bit integers, byte pointers.
using CompressTarvoFn = std::int32_t (*)(const std::uint8_t* input, std::uint8_t* output, std::int32_t length);
using ExpandLZFn = void (*)(std::uint8_t* output, const std::uint8_t* input, std::int32_t size, std::int32_t minLength);
using CompressDravikFn = void (*)(std::int32_t length, std::int32_t* outputLength, std::uint8_t* output,
                                  const std::uint8_t* input, std::int32_t type);
using FileToFileFn = std::int32_t (*)(const char* inputPath, const char* outputPath, std::int32_t type);

// Libraries stay loaded for the life of the process, keyed by full path so
// that a changed ProgramDirectory() loads from the new folder.
void* LoadLibrary(const char* name, const char* source) {
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;
    std::lock_guard lock(mutex);
    std::string path = ProgramDirectory() + name;
    if (auto it = loaded.find(path); it != loaded.end()) return it->second;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        throw Error(kLibraryNotFound, source,
                    "Cannot load the compression library '" + path + "'" + (why ? std::string(": ") + why : ""));
    }
    loaded.emplace(path, handle);
    return handle;
}

template <typename Fn>
Fn Bind(const char* library, const char* symbol, const char* source) {
    void* handle = LoadLibrary(library, source);
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (!address)
        throw Error(kExportNotFound, source,
                    std::string("Cannot find the function '") + symbol + "' in the library '" + library + "'");
    return reinterpret_cast<Fn>(address);
}

[[noreturn]] void Damaged(std::int16_t type, const std::string& why) {
    throw Error(kDamagedDataBase + type, kExpandSource, "Damaged compressed data: " + why);
}

// Writes data to a file that this call creates; false when the name is taken.
bool CreateExclusive(const std::string& path, const Bytes& data, const char* source) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw Error(75, source, "Cannot create the temporary file '" + path + "': " + std::strerror(errno));
    }
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = errno;
            ::close(fd);
            ::unlink(path.c_str());
            throw Error(75, source, "Cannot write the temporary file '" + path + "': " + std::strerror(err));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        ::unlink(path.c_str());
        throw Error(75, source, "Cannot write the temporary file '" + path + "'");
    }
    return true;
}

// The Okumura functions work file to file. Each call gets its own pair of
// names (process id and a per-process counter), created exclusively, so that
// two running programs, or two calls, never read each other's data; the
// files go even when the call fails.
Bytes FileExchange(FileToFileFn function, const Bytes& input, std::int16_t type, const char* source) {
    static std::atomic<unsigned long> counter{0};
    const std::string dir = TemporaryDirectory();
    const std::string pid = std::to_string(::getpid());
    std::string inPath, outPath;
    for (int attempt = 0;; ++attempt) {
        std::string tag = pid + "." + std::to_string(++counter);
        inPath = dir + "DUMMY." + tag + ".TMP";
        outPath = dir + "DUMMY2." + tag + ".TMP";
        if (CreateExclusive(inPath, input, source)) {
            if (CreateExclusive(outPath, Bytes(), source)) break;
            ::unlink(inPath.c_str());
        }
        if (attempt > 1000) throw Error(75, source, "Cannot create a temporary file in '" + dir + "'");
    }
    struct Remove {
        const std::string& a;
        const std::string& b;
        ~Remove() {
            ::unlink(a.c_str());
            ::unlink(b.c_str());
        }
    } remove{inPath, outPath};

    if (function(inPath.c_str(), outPath.c_str(), type) == 0)
        throw Error(kMethodFailed, source, "The Okumura method could not open its temporary files");
    Bytes output;
    ReadFromFile(outPath, output);
    return output;
}

Method FromValue(std::uint8_t value, const Method (&order)[4]) { return value < 4 ? order[value] : Method::Tarvo; }

constexpr Method kType1Order[4] = {Method::Okumura, Method::Hesk, Method::Dravik, Method::Tarvo};
constexpr Method kType2Order[4] = {Method::Hesk, Method::Dravik, Method::Tarvo, Method::Okumura};
constexpr Method kDecoderOrder[4] = {Method::Tarvo, Method::Okumura, Method::Hesk, Method::Dravik};

std::uint8_t ToValue(Method method, const Method (&order)[4]) {
    for (std::uint8_t i = 0; i < 4; ++i)
        if (order[i] == method) return i;
    return 0;
}

// Runs one encoder; false when it reports that the data does not shrink.
bool Encode(Method method, const Bytes& input, Bytes& output, std::int16_t type) {
    const auto n = static_cast<std::int32_t>(input.size());
    switch (method) {
        case Method::Tarvo: {
            auto fn = Bind<CompressTarvoFn>(kTarvoComp, type == 1 ? "Compress_LZSS" : "Compress_LZMIT",
                                            kCompressSource);
            Bytes buffer(2 * input.size());
            std::int32_t result = fn(input.data(), buffer.data(), n);
            if (result < 0) return false;
            if (result > static_cast<std::int32_t>(buffer.size()))
                throw Error(kMethodFailed, kCompressSource, "The Tarvo encoder returned an impossible length");
            buffer.resize(static_cast<std::size_t>(result));
            output = std::move(buffer);
            return true;
        }
        case Method::Dravik: {
            auto fn = Bind<CompressDravikFn>(kTarvoCompC, "Compress", kCompressSource);
            Bytes buffer(2 * input.size());
            std::int32_t length = -1;
            fn(n, &length, buffer.data(), input.data(), type);
            if (length < 0 || length > static_cast<std::int32_t>(buffer.size()))
                throw Error(kMethodFailed, kCompressSource, "The Dravik encoder returned an impossible length");
            buffer.resize(static_cast<std::size_t>(length));
            output = std::move(buffer);
            return true;
        }
        case Method::Okumura: {
            auto fn = Bind<FileToFileFn>(kTarvoCompC, "CompressHOLZSS", kCompressSource);
            output = FileExchange(fn, input, type, kCompressSource);
            return true;
        }
        case Method::Hesk: {
            auto fn = Bind<CompressNewExFunction>(kPack, "CompressNewEx", kCompressSource);
            Bytes buffer(codec::MaxCompressedSize(input.size()));
            std::int32_t length = -1;
            std::int32_t status =
                fn(input.data(), n, buffer.data(), static_cast<std::int32_t>(buffer.size()), &length, type);
            if (status != PACK_OK || length < 0 || length > static_cast<std::int32_t>(buffer.size()))
                throw Error(kMethodFailed, kCompressSource,
                            "The Hesk encoder failed (result " + std::to_string(status) + ")");
            buffer.resize(static_cast<std::size_t>(length));
            output = std::move(buffer);
            return true;
        }
    }
    return false;
}

}  // namespace

Method Type1Encoder(const MethodSettings& s) { return FromValue(s.CType1Algorithm, kType1Order); }
Method Type2Encoder(const MethodSettings& s) { return FromValue(s.CType2Algorithm, kType2Order); }
Method Decoder(const MethodSettings& s) { return FromValue(s.DecAlgorithm, kDecoderOrder); }
std::uint8_t Type1EncoderValue(Method m) { return ToValue(m, kType1Order); }
std::uint8_t Type2EncoderValue(Method m) { return ToValue(m, kType2Order); }
std::uint8_t DecoderValue(Method m) { return ToValue(m, kDecoderOrder); }

const char* MethodName(Method method) {
    switch (method) {
        case Method::Tarvo: return "tarvo";
        case Method::Okumura: return "okumura";
        case Method::Hesk: return "hesk";
        case Method::Dravik: return "dravik";
    }
    return "";
}

bool MethodFromName(const std::string& name, Method& method) {
    for (Method m : {Method::Tarvo, Method::Okumura, Method::Hesk, Method::Dravik}) {
        if (name == MethodName(m)) {
            method = m;
            return true;
        }
    }
    return false;
}

void CompressFile(const Bytes& input, Bytes& output, std::int16_t& type, const MethodSettings& settings) {
    if (type < 0 || type > 2) throw Error(kInvalidCompressTypeBase + type, kCompressSource, "Invalid compression type");
    if (input.size() > static_cast<std::size_t>(INT32_MAX / 2))
        throw Error(6, kCompressSource, "The data is too large to compress");
    Bytes result;
    bool shrinks = false;
    if (type != 0 && !input.empty()) {
        shrinks = Encode(type == 1 ? Type1Encoder(settings) : Type2Encoder(settings), input, result, type);
        // A non-empty input cannot be described by an empty stream: storing
        // one would lose the item.
        if (shrinks && result.empty())
            throw Error(kMethodFailed, kCompressSource, "The encoder produced no data");
    }
    if (!shrinks || result.size() >= input.size()) {
        output = input;
        type = 0;
        return;
    }
    // The stream replaces the only copy of the item's bytes, and decoding is
    // cheap beside encoding: a stream that does not give the input back is
    // refused here rather than found when the item is next read.
    Bytes check(input.size());
    codec::DecodeResult decoded = codec::DecodeLZType(result, check, type);
    if ((decoded.status != codec::DecodeStatus::Ok && decoded.status != codec::DecodeStatus::ReferencePastEnd) ||
        check != input)
        throw Error(kMethodFailed, kCompressSource,
                    "The compressed data does not decode to the original bytes; the item was not changed");
    output = std::move(result);
}

void ExpandCompressedFile(const Bytes& input, Bytes& output, std::int32_t decompressedSize, std::int16_t type,
                          const MethodSettings& settings) {
    if (type < 0 || type > 2) throw Error(kInvalidExpandTypeBase + type, kExpandSource, "Invalid compression type");
    if (decompressedSize < 0) Damaged(type, "negative decompressed size " + std::to_string(decompressedSize));
    const auto size = static_cast<std::size_t>(decompressedSize);
    if (type == 0) {
        if (size > input.size())
            Damaged(type, "decompressed size " + std::to_string(size) + " exceeds the " +
                              std::to_string(input.size()) + " stored bytes");
        output.assign(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(size));
        return;
    }
    if (size > codec::MaxDecompressedSize(input.size(), type))
        Damaged(type, "decompressed size " + std::to_string(size) + " is more than " +
                          std::to_string(input.size()) + " stored bytes can hold");

    // Every method is handed only a stream the bounded decoder accepted, so
    // no library decoder (they are not told the input length) reads past it.
    Bytes result(size);
    codec::DecodeResult check = codec::DecodeLZType(input, result, type);
    if (check.status != codec::DecodeStatus::Ok && check.status != codec::DecodeStatus::ReferencePastEnd)
        Damaged(type, codec::DecodeStatusText(check.status));

    switch (Decoder(settings)) {
        case Method::Tarvo: {
            auto fn = Bind<ExpandLZFn>(kTarvoComp, "ExpandLZ", kExpandSource);
            if (size > 0) fn(result.data(), input.data(), decompressedSize, type + 1);
            break;
        }
        case Method::Okumura: {
            auto fn = Bind<FileToFileFn>(kTarvoCompC, "ExpandHOLZSS", kExpandSource);
            Bytes decoded = FileExchange(fn, input, type, kExpandSource);
            if (decoded.size() < size) Damaged(type, "the Okumura decoder produced too few bytes");
            decoded.resize(size);
            result = std::move(decoded);
            break;
        }
        case Method::Hesk: {
            auto fn = Bind<UnpackFunction>(kPack, "Unpack", kExpandSource);
            Bytes decoded(size);
            std::int32_t length = fn(input.data(), static_cast<std::int32_t>(input.size()), decoded.data(),
                                     decompressedSize, type, decompressedSize);
            if (length != decompressedSize) Damaged(type, "the Hesk decoder reported a damaged stream");
            result = std::move(decoded);
            break;
        }
        case Method::Dravik: {
            Bytes decoded;
            decoded.reserve(size);
            DravikDecode(input, type, decoded, codec::MaxDecompressedSize(input.size(), type));
            if (decoded.size() < size) Damaged(type, "the Dravik decoder produced too few bytes");
            decoded.resize(size);
            result = std::move(decoded);
            break;
        }
    }
    output = std::move(result);
}

bool DravikDecode(const Bytes& input, int type, Bytes& output, std::size_t maxOutput) {
    const std::size_t start = output.size();
    const std::size_t length = input.size();
    std::size_t position = 0;
    while (position < length) {
        const std::uint8_t flags = input[position++];
        for (int bit = 0; bit < 8 && position < length; ++bit) {
            if (flags & (1u << bit)) {
                if (output.size() - start >= maxOutput) return false;
                output.push_back(input[position++]);
                continue;
            }
            if (position + 1 >= length) return false;
            const unsigned word = input[position] | (input[position + 1] << 8);
            position += 2;
            const std::size_t count = (word & 15u) + static_cast<unsigned>(type) + 1;
            const std::size_t distance = ((word >> 4) & 0xFFFu) + 1;
            const std::size_t produced = output.size() - start;
            if (distance > produced || produced + count > maxOutput) return false;
            const std::size_t from = output.size() - distance;
            if (distance >= count) {
                // The source ends before the current end: one block.
                const std::size_t end = output.size();
                output.resize(end + count);
                std::memcpy(output.data() + end, output.data() + from, count);
            } else {
                for (std::size_t k = 0; k < count; ++k) output.push_back(output[from + k]);
            }
        }
    }
    return true;
}

}  // namespace archive
