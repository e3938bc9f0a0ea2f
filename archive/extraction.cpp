#include "archive/extraction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/error.h"
#include "archive/item_operations.h"

namespace archive {

void WriteToFile(const std::string& path, const Bytes& data, const char* source) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw Error(75, source, "Cannot create the file '" + path + "': " + std::strerror(errno));
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            ::close(fd);
            throw Error(75, source, "Cannot write the file '" + path + "': " + std::strerror(err));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) throw Error(75, source, "Cannot write the file '" + path + "': " + std::strerror(errno));
}

void ExtractItem(ItemTable& table, std::int32_t item, const std::string& file, const MethodSettings& methods) {
    constexpr const char* kSource = "ExtractItem";
    if (item < 0 || item >= table.ItemCount)
        throw Error(kExtractItemBase + item, kSource, "Invalid .HQR item number");
    const ItemRecord& record = table[item];
    ExpandCompressedFile(record.Data, table.WorkBuffer, record.DecompressedSize, record.CompressionType, methods);
    // Voice archives keep a run marker where a hidden wave's first letter
    // was; the letter follows from the decompressed bytes (a compressed
    // item's stored bytes are stream bytes).
    if (record.IsHidden && !table.WorkBuffer.empty())
        table.WorkBuffer[0] = static_cast<std::uint8_t>(RestoredFirstCharacter(table.WorkBuffer));
    WriteToFile(file, table.WorkBuffer, kSource);
}

void ExtractItemAsIs(const ItemTable& table, std::int32_t item, const std::string& file) {
    constexpr const char* kSource = "ExtractItemAsIs";
    if (item < 0 || item >= table.ItemCount)
        throw Error(kExtractItemAsIsBase + item, kSource, "Invalid .HQR item number");
    WriteToFile(file, table[item].Data, kSource);
}

std::string NumberText(std::int32_t value, int width) {
    std::string digits = std::to_string(value);
    if (value < 0 || static_cast<int>(digits.size()) >= width) return digits;
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

std::string BulkExtractionName(const ItemTable& table, std::int32_t index, const std::string& folder) {
    // Key and extension come from file names and description files; a
    // separator in either must not lead the file out of the folder. With
    // the digits in between, the name can be neither "." nor "..".
    std::string name = table.ArchiveKey + NumberText(index, 4) + "." + table[index].Extension;
    for (auto& c : name)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    std::string dir = folder;
    if (!dir.empty() && dir.back() == '\\') dir.back() = '/';
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir + name;
}

namespace {

template <typename Extract>
void ExtractMarked(ItemTable& table, const std::string& folder, Extract extract) {
    for (std::int32_t i = 0; i <= table.ItemCount; ++i) {
        if (!table[i].Marked) continue;
        extract(i, BulkExtractionName(table, i, folder));
        table[i].Marked = false;
    }
}

}  // namespace

void ExtractMarkedItems(ItemTable& table, const std::string& folder, const MethodSettings& methods) {
    ExtractMarked(table, folder,
                  [&](std::int32_t i, const std::string& path) { ExtractItem(table, i, path, methods); });
}

void ExtractMarkedItemsAsIs(ItemTable& table, const std::string& folder) {
    ExtractMarked(table, folder, [&](std::int32_t i, const std::string& path) { ExtractItemAsIs(table, i, path); });
}

}  // namespace archive
