// The library-wide current file pair of TarvoCompC: one input and one output
// file, opened by ExpandHOLZSS / CompressHOLZSS and closed by them before they
// return. Decode, Decode1, Decode2, Encode and Encode2 work on it. Not
// thread-safe: the file functions of the library must not run concurrently.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace tarvocompc {

struct FilePair {
    std::FILE* input = nullptr;
    std::FILE* output = nullptr;
};

// Opens inputPath for reading and outputPath for writing (created or
// truncated) as the current pair, closing any pair left open. On failure
// nothing stays open, no output file is created when the input cannot be
// opened, and the result is false. Null paths fail.
bool OpenFilePair(const char* inputPath, const char* outputPath);

// The current pair; both members are null when none is open.
FilePair CurrentFilePair();

// Closes both files of the current pair (if open).
void CloseFilePair();

// Appends the rest of `file` (the whole file when just opened) to data;
// false on a read error.
bool ReadRest(std::FILE* file, std::vector<std::uint8_t>& data);

}  // namespace tarvocompc
