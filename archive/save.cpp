#include "archive/save.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "archive/descriptions.h"
#include "archive/error.h"

namespace archive {

namespace {

constexpr const char* kSource = "SaveArchive";
constexpr int kFileAccessError = 75;
constexpr int kInvalidArgument = 5;
constexpr std::size_t kMaxPieces = 1024;  // IOV_MAX on Linux

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

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

void NewArchive(ItemTable& table) {
    table.Generation = NextGeneration();
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

namespace {

// Where everything goes in the file: the offset table, and for each record
// whether it writes an entry of its own.
struct Plan {
    Bytes offsetTable;
    std::vector<bool> writesEntry;
    std::vector<std::array<std::uint8_t, kEntryHeaderSize>> headers;  // per record
    std::vector<std::int32_t> offsets;  // per record and the end record, as loading reads them
    std::int64_t length = 0;
};

Plan PlanArchive(const ItemTable& table) {
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

    Plan plan;
    std::int32_t slots = 0;
    for (std::int32_t i = 0; i < count; ++i) slots += table[i].IsHidden ? 0 : 1;
    plan.offsetTable.resize((static_cast<std::size_t>(slots) + 1) * 4);
    plan.writesEntry.assign(static_cast<std::size_t>(count), false);
    plan.headers.resize(static_cast<std::size_t>(count));
    plan.offsets.reserve(static_cast<std::size_t>(count) + 1);
    std::vector<std::int64_t> slotValue(static_cast<std::size_t>(count) + 1, 0);
    std::vector<bool> hasSlotValue(static_cast<std::size_t>(count) + 1, false);
    std::int64_t length = static_cast<std::int64_t>(plan.offsetTable.size());
    std::int32_t s = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const ItemRecord& r = table[i];
        const std::int32_t target = r.RefersTo;
        if (r.IsBlank) {
            // slot stays 0
        } else if (target != i && target >= 0 && target < i && hasSlotValue[target] && !table[target].IsHidden) {
            slotValue[i] = slotValue[target];
            hasSlotValue[i] = true;
        } else {
            plan.writesEntry[i] = true;
            if (!r.IsHidden) {
                slotValue[i] = length;
                hasSlotValue[i] = true;
            }
            auto& h = plan.headers[i];
            PutInt32(h.data(), r.DecompressedSize);
            PutInt32(h.data() + 4, static_cast<std::int64_t>(r.Data.size()));
            h[8] = static_cast<std::uint8_t>(r.CompressionType);
            h[9] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(r.CompressionType) >> 8);
            length += kEntryHeaderSize + static_cast<std::int64_t>(r.Data.size());
            if (length > INT32_MAX) {
                throw Error(kInvalidArgument, kSource,
                            "The archive would be larger than 2 GiB, which its offsets cannot address");
            }
        }
        if (!r.IsHidden) PutInt32(&plan.offsetTable[static_cast<std::size_t>(4 * s++)], slotValue[i]);
        plan.offsets.push_back(r.IsHidden ? -1 : static_cast<std::int32_t>(slotValue[i]));
    }
    PutInt32(&plan.offsetTable[static_cast<std::size_t>(4 * s)], length);
    plan.offsets.push_back(static_cast<std::int32_t>(length));
    plan.length = length;
    return plan;
}

// Calls emit(pointer, size) for every piece of the file in order.
template <typename Emit>
void EmitArchive(const ItemTable& table, const Plan& plan, Emit&& emit) {
    emit(plan.offsetTable.data(), plan.offsetTable.size());
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        if (!plan.writesEntry[i]) continue;
        emit(plan.headers[i].data(), plan.headers[i].size());
        if (!table[i].Data.empty()) emit(table[i].Data.data(), table[i].Data.size());
    }
}

// Writes the archive with gathered writes straight from the items' bytes.
void WriteArchive(int fd, const ItemTable& table, const Plan& plan, const std::string& path) {
    std::vector<iovec> pieces;
    pieces.reserve(kMaxPieces);
    auto flush = [&] {
        std::size_t first = 0;
        while (first < pieces.size()) {
            ssize_t put = ::writev(fd, &pieces[first], static_cast<int>(pieces.size() - first));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) FileError("write", path, put < 0 ? errno : ENOSPC);
            auto done = static_cast<std::size_t>(put);
            while (first < pieces.size() && done >= pieces[first].iov_len) done -= pieces[first++].iov_len;
            if (done > 0) {
                pieces[first].iov_base = static_cast<std::uint8_t*>(pieces[first].iov_base) + done;
                pieces[first].iov_len -= done;
            }
        }
        pieces.clear();
    };
    EmitArchive(table, plan, [&](const std::uint8_t* p, std::size_t n) {
        pieces.push_back({const_cast<std::uint8_t*>(p), n});
        if (pieces.size() == kMaxPieces) flush();
    });
    flush();
}

}  // namespace

std::vector<std::int32_t> WrittenOffsets(const ItemTable& table) { return PlanArchive(table).offsets; }

Bytes SerializeArchive(const ItemTable& table) {
    const Plan plan = PlanArchive(table);
    Bytes out;
    out.reserve(static_cast<std::size_t>(plan.length));
    EmitArchive(table, plan, [&](const std::uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); });
    return out;
}

std::string SaveArchive(const ItemTable& table, const std::string& path) {
    const Plan plan = PlanArchive(table);

    std::string temp = FolderOf(path) + "." + FileNamePart(path) + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) FileError("create a file beside", path, errno);
    try {
        WriteArchive(fd, table, plan, path);
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
