#include "archive/save.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/descriptions.h"
#include "archive/error.h"

namespace archive {

namespace {

constexpr const char* kSource = "SaveArchive";
constexpr int kFileAccessError = 75;
constexpr int kInvalidArgument = 5;

void PutInt32(std::uint8_t* p, std::int64_t value) {
    auto v = static_cast<std::uint32_t>(value);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::string FolderOf(const std::string& path) {
    auto cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

[[noreturn]] void FileError(const std::string& what, const std::string& path, int err) {
    throw Error(kFileAccessError, kSource, "Cannot " + what + " '" + path + "': " + std::strerror(err));
}

void WriteAll(int fd, const std::uint8_t* data, std::size_t n, const std::string& path) {
    while (n > 0) {
        ssize_t put = ::write(fd, data, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) FileError("write", path, put < 0 ? errno : ENOSPC);
        data += put;
        n -= static_cast<std::size_t>(put);
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

void NewArchive(ItemTable& table) {
    table.ItemCount = 0;
    table.SlotCount = 0;
    table.Records.assign(1, ItemRecord{});
    UpdateDisplayTexts(table.Records[0]);
    table.RecordedScript = "NEW\r\n";
    table.IsVoiceArchive = false;
}

std::string BackupName(const std::string& name) {
    static std::mt19937 rng(static_cast<std::uint32_t>(
        std::chrono::system_clock::now().time_since_epoch().count() ^ static_cast<long>(::getpid())));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const auto n = static_cast<long>(uniform(rng) * 89999999.0 + 10000000.0);
    return name + "." + std::to_string(n) + ".BAK";
}

Bytes SerializeArchive(const ItemTable& table) {
    const std::int32_t count = table.ItemCount;
    if (count > 0 && table[0].IsHidden) {
        throw Error(kInvalidArgument, kSource,
                    "The first item is a hidden entry: move it behind an indexed item before saving");
    }
    if (count > 0 && table[0].IsBlank) {
        throw Error(kInvalidArgument, kSource,
                    "The first item is blank: an archive that begins with a blank item cannot be read back. "
                    "Replace or remove item 0 before saving");
    }

    // Lay the archive out first: which records carry an entry, the slot each
    // record gets, and the total size, which must fit the 32-bit offsets.
    std::int32_t slots = 0;
    for (std::int32_t i = 0; i < count; ++i) slots += table[i].IsHidden ? 0 : 1;
    std::vector<std::int64_t> slotValue(static_cast<std::size_t>(count) + 1, 0);
    std::vector<bool> hasSlotValue(static_cast<std::size_t>(count) + 1, false);
    std::vector<bool> writesEntry(static_cast<std::size_t>(count), false);
    std::int64_t length = (static_cast<std::int64_t>(slots) + 1) * 4;
    for (std::int32_t i = 0; i < count; ++i) {
        const ItemRecord& r = table[i];
        if (r.IsBlank) continue;
        const std::int32_t target = r.RefersTo;
        if (target != i && target >= 0 && target < i && hasSlotValue[target] && !table[target].IsHidden) {
            slotValue[i] = slotValue[target];
            hasSlotValue[i] = true;
            continue;
        }
        writesEntry[i] = true;
        if (!r.IsHidden) {
            slotValue[i] = length;
            hasSlotValue[i] = true;
        }
        length += kEntryHeaderSize + static_cast<std::int64_t>(r.Data.size());
        if (length > INT32_MAX) {
            throw Error(kInvalidArgument, kSource, "The archive would be larger than 2 GiB, which its offsets cannot address");
        }
    }

    Bytes out(static_cast<std::size_t>(length));
    std::size_t at = (static_cast<std::size_t>(slots) + 1) * 4;
    std::int32_t s = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const ItemRecord& r = table[i];
        if (writesEntry[i]) {
            std::uint8_t* h = &out[at];
            PutInt32(h, r.DecompressedSize);
            PutInt32(h + 4, static_cast<std::int64_t>(r.Data.size()));
            h[8] = static_cast<std::uint8_t>(r.CompressionType);
            h[9] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(r.CompressionType) >> 8);
            if (!r.Data.empty()) std::memcpy(h + kEntryHeaderSize, r.Data.data(), r.Data.size());
            at += kEntryHeaderSize + r.Data.size();
        }
        if (!r.IsHidden) PutInt32(&out[static_cast<std::size_t>(4 * s++)], slotValue[i]);
    }
    PutInt32(&out[static_cast<std::size_t>(4 * s)], length);
    return out;
}

std::string SaveArchive(const ItemTable& table, const std::string& path) {
    const Bytes bytes = SerializeArchive(table);

    std::string temp = FolderOf(path) + "." + FileNamePart(path) + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) FileError("create a file beside", path, errno);
    try {
        WriteAll(fd, bytes.data(), bytes.size(), path);
        if (::fsync(fd) != 0) FileError("write", path, errno);
        // mkstemp creates the file readable by its owner only; give it the
        // usual permissions of a new file.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        FileError("write", path, err);
    }

    std::string backup;
    if (Exists(path)) {
        do {
            backup = FolderOf(path) + BackupName(FileNamePart(path));
        } while (Exists(backup));
        if (::rename(path.c_str(), backup.c_str()) != 0) {
            int err = errno;
            ::unlink(temp.c_str());
            FileError("rename the old archive to its backup name", path, err);
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        if (!backup.empty()) ::rename(backup.c_str(), path.c_str());
        ::unlink(temp.c_str());
        FileError("write", path, err);
    }
    return backup;
}

}  // namespace archive
