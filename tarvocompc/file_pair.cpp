#include "tarvocompc/file_pair.h"

namespace tarvocompc {

namespace {
FilePair current;
}

bool OpenFilePair(const char* inputPath, const char* outputPath) {
    CloseFilePair();
    if (!inputPath || !outputPath) return false;
    std::FILE* in = std::fopen(inputPath, "rb");
    if (!in) return false;
    std::FILE* out = std::fopen(outputPath, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    current = {in, out};
    return true;
}

FilePair CurrentFilePair() { return current; }

void CloseFilePair() {
    if (current.input) std::fclose(current.input);
    if (current.output) std::fclose(current.output);
    current = {};
}

bool ReadRest(std::FILE* file, std::vector<std::uint8_t>& data) {
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
    return !std::ferror(file);
}

}  // namespace tarvocompc
