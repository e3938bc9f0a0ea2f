// CompressHOLZSS of TarvoCompC on arbitrary input (first byte: the type):
// the output file decodes to the input with the buffer decoder, and the same
// input encodes to the same stream whatever was encoded before.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/encoder_library.h"

using FileFunction = std::int32_t(const char*, const char*, std::int32_t);

namespace {

const std::string& Path(const char* which) {
    static const std::string in = "/tmp/orvane-fuzz-okumura-in-" + std::to_string(::getpid());
    static const std::string out = "/tmp/orvane-fuzz-okumura-out-" + std::to_string(::getpid());
    return which[0] == 'i' ? in : out;
}

std::vector<std::uint8_t> Encode(FileFunction* compress, const std::vector<std::uint8_t>& input, int type) {
    if (FILE* f = std::fopen(Path("in").c_str(), "wb")) {
        if (!input.empty()) std::fwrite(input.data(), 1, input.size(), f);
        std::fclose(f);
    }
    if (compress(Path("in").c_str(), Path("out").c_str(), type) != 1) std::abort();
    std::vector<std::uint8_t> stream;
    if (FILE* f = std::fopen(Path("out").c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) stream.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
    }
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* compress = fuzz_encoders::Export<FileFunction>("TarvoCompC", "CompressHOLZSS");
    if (size < 1 || size > 65536) return 0;
    const int type = 1 + (data[0] & 1);
    const std::vector<std::uint8_t> input(data + 1, data + size);
    const auto stream = Encode(compress, input, type);
    fuzz_encoders::CheckDecodes(stream, input, type);
    // Encoded again after other bytes of the other type, it gives the same
    // stream: nothing of an earlier call stays in the rings.
    std::vector<std::uint8_t> other(input.rbegin(), input.rend());
    other.insert(other.end(), input.begin(), input.end());
    Encode(compress, other, 3 - type);
    if (Encode(compress, input, type) != stream) std::abort();
    return 0;
}
