// Loads arbitrary bytes as an archive, under ".HQR" and ".VOX": every input
// either loads or raises archive::Error; a loaded table saves and loads back.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "archive/error.h"
#include "archive/load.h"
#include "archive/save.h"

namespace {
std::string TempPath(const char* extension) {
    return "/tmp/orvane-fuzz-load-" + std::to_string(::getpid()) + extension;
}

void Check(const std::uint8_t* data, std::size_t size, const char* extension) {
    const std::string path = TempPath(extension);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    archive::ItemTable table;
    try {
        archive::LoadArchive(table, path);
    } catch (const archive::Error&) {
        return;
    }
    archive::Bytes written;
    try {
        written = archive::SerializeArchive(table);
    } catch (const archive::Error&) {
        return;  // e.g. a first item that is blank
    }
    f = std::fopen(path.c_str(), "wb");
    std::fwrite(written.data(), 1, written.size(), f);
    std::fclose(f);
    archive::ItemTable back;
    archive::LoadArchive(back, path);  // must not throw: we wrote it
    if (back.SlotCount != table.SlotCount) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(data, size, ".HQR");
    Check(data, size, ".VOX");
    return 0;
}
