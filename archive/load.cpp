#include "archive/load.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unordered_map>

#include "archive/descriptions.h"
#include "archive/error.h"
#include "archive/helpers.h"

namespace archive {

namespace {

constexpr const char* kSource = "LoadArchive";

// Error numbers of a damaged archive: "input past end of file", "overflow"
// and "subscript out of range", the same families the editor reports for them.
constexpr int kPastEndOfFile = 62;
constexpr int kBadCount = 6;
constexpr int kBadType = 9;

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string EndsUpper(const std::string& path, std::size_t n) {
    std::string tail = path.size() >= n ? path.substr(path.size() - n) : path;
    for (auto& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail;
}

// Positioned reads through a small window, so that the many small headers
// cost no system call each while large data blocks go straight into their
// destination.
class ArchiveReader {
public:
    ArchiveReader(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) Fail(75, "Cannot open '" + path + "': " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd_, &st) != 0) Fail(75, "Cannot read '" + path + "': " + std::strerror(errno));
        size_ = st.st_size;
    }
    ~ArchiveReader() {
        if (fd_ >= 0) ::close(fd_);
    }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    std::int64_t size() const { return size_; }
    std::int64_t position() const { return position_; }
    // Leaves the position where a read ending at offset would have left it.
    void MoveTo(std::int64_t offset) { position_ = offset; }

    [[noreturn]] void Fail(int number, const std::string& what) const {
        throw Error(number, kSource, what);
    }
    [[noreturn]] void Damaged(const std::string& what, int number = kPastEndOfFile) const {
        Fail(number, "The archive '" + path_ + "' is damaged: " + what);
    }

    // Reads n bytes at offset into dst and leaves the position behind them.
    void ReadAt(std::int64_t offset, void* dst, std::int64_t n, const char* what) {
        if (offset < 0 || n < 0 || offset > size_ || n > size_ - offset) {
            Damaged(std::string(what) + " at byte " + std::to_string(offset) + " reaches past the end of the file (" +
                    std::to_string(size_) + " bytes)");
        }
        auto* out = static_cast<std::uint8_t*>(dst);
        std::int64_t done = 0;
        while (done < n) {
            std::int64_t at = offset + done;
            if (at >= windowStart_ && at < windowStart_ + windowLength_) {
                std::int64_t take = std::min(n - done, windowStart_ + windowLength_ - at);
                std::memcpy(out + done, window_ + (at - windowStart_), static_cast<std::size_t>(take));
                done += take;
            } else if (n - done >= kWindowSize) {
                done += Pread(out + done, n - done, at);
            } else {
                windowStart_ = at;
                windowLength_ = Pread(window_, std::min<std::int64_t>(kWindowSize, size_ - at), at);
            }
        }
        position_ = offset + n;
    }

private:
    static constexpr std::int64_t kWindowSize = 64 * 1024;

    std::int64_t Pread(std::uint8_t* dst, std::int64_t n, std::int64_t at) {
        ssize_t got;
        do {
            got = ::pread(fd_, dst, static_cast<std::size_t>(n), at);
        } while (got < 0 && errno == EINTR);
        if (got < 0) Fail(75, "Cannot read '" + path_ + "': " + std::strerror(errno));
        if (got == 0) Damaged("the file ended while it was read");
        return got;
    }

    std::string path_;
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    std::uint8_t window_[kWindowSize];
    std::int64_t windowStart_ = 0;
    std::int64_t windowLength_ = 0;
};

std::int32_t Int32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads the entry at offset (header and stored bytes) into record.
void ReadEntry(ArchiveReader& reader, std::int64_t offset, ItemRecord& record, std::int32_t index,
               std::int64_t& budget) {
    std::uint8_t header[kEntryHeaderSize];
    reader.ReadAt(offset, header, kEntryHeaderSize, ("the header of item " + std::to_string(index)).c_str());
    record.DecompressedSize = Int32At(header);
    record.CompressedSize = Int32At(header + 4);
    record.CompressionType = static_cast<std::int16_t>(header[8] | header[9] << 8);
    if (record.CompressionType < 0 || record.CompressionType > 2) {
        reader.Damaged("item " + std::to_string(index) + " has the compression type " +
                           std::to_string(record.CompressionType) + " (valid types are 0, 1 and 2)",
                       kBadType);
    }
    if (record.CompressedSize < 0 || record.CompressedSize > reader.size() - (offset + kEntryHeaderSize)) {
        reader.Damaged("the " + std::to_string(record.CompressedSize) + " stored bytes of item " +
                       std::to_string(index) + " at byte " + std::to_string(offset) +
                       " reach past the end of the file");
    }
    // Entries of a saved archive lie one after another, but a forged table
    // can give many slots entries that overlap one large block of data: the
    // bytes read must stay in proportion to the file.
    budget -= record.CompressedSize;
    if (budget < 0) reader.Damaged("its entries overlap more than an archive of this size can hold");
    Bytes data(static_cast<std::size_t>(record.CompressedSize));
    reader.ReadAt(offset + kEntryHeaderSize, data.data(), record.CompressedSize,
                  ("the data of item " + std::to_string(index)).c_str());
    record.Data = std::move(data);
}

// A pointer's entry is its target's: the same header, and the same stored
// bytes shared rather than read again. The read position moves as if the
// entry had been read.
void ShareEntry(ArchiveReader& reader, const ItemRecord& target, ItemRecord& record) {
    record.DecompressedSize = target.DecompressedSize;
    record.CompressedSize = target.CompressedSize;
    record.CompressionType = target.CompressionType;
    record.Data = target.Data;
    reader.MoveTo(std::int64_t{record.Offset} + kEntryHeaderSize + record.CompressedSize);
}

// The ".HQS" suffix of items 2 and 8: the character 48 above item 0's first
// byte when that is a letter or digit (a first byte of 1 gives "bl1"),
// otherwise the decimal value of the byte.
std::string HqsSuffix(const ItemTable& table) {
    if (table.ItemCount < 1 || table[0].Data.empty()) return "";
    int code = table[0].Data[0] + 48;
    if (code < 128 && std::isalnum(code)) return std::string(1, static_cast<char>(code));
    return std::to_string(table[0].Data[0]);
}

void LabelHqsItems(ItemTable& table) {
    struct Label {
        int item;
        const char* description;
        const char* extension;
        bool suffix;
    };
    static constexpr Label kLabels[] = {
        {0, "Information file", "hqi", false}, {1, "Description file", "txt", false},
        {2, "Library", "bl", true},            {3, "Grid", "gri", false},
        {4, "Palette", "pal", false},          {7, "Fablor Project file", "scp", false},
        {8, "Scene file", "ls", true},
    };
    const std::string suffix = HqsSuffix(table);
    for (const auto& label : kLabels) {
        if (label.item >= table.ItemCount) continue;
        table[label.item].Description = label.description;
        table[label.item].Extension = std::string(label.extension) + (label.suffix ? suffix : "");
    }
}

}  // namespace

std::int64_t SlotCountFromSlot0(std::int32_t slot0) {
    return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(slot0) / 4.0 - 1.0));
}

void ReadFromFile(const std::string& path, Bytes& data) {
    if (!FileExists(path)) throw Error(768 + 1, "ReadFromFile", "File \"" + path + "\" not found");
    ArchiveReader reader(path);
    Bytes bytes(static_cast<std::size_t>(reader.size()));
    reader.ReadAt(0, bytes.data(), reader.size(), "the file");
    data.swap(bytes);
}

void LoadArchive(ItemTable& target, const std::string& path) {
    if (!FileExists(path)) throw Error(2144, kSource, "Specified file not found: '" + path + "'");

    ItemTable table;
    table.IsVoiceArchive = EndsUpper(path, 4) == ".VOX";
    ArchiveReader reader(path);
    const std::int64_t fileSize = reader.size();

    std::uint8_t slotBytes[4];
    if (fileSize < 4) reader.Damaged("it is shorter than its offset table");
    reader.ReadAt(0, slotBytes, 4, "slot 0");
    const std::int64_t count = SlotCountFromSlot0(Int32At(slotBytes));
    if (count < 0 || (count + 1) * 4 > fileSize) {
        reader.Fail(kBadCount, "The archive '" + path + "' is damaged: slot 0 holds " +
                                   std::to_string(Int32At(slotBytes)) + ", which gives " + std::to_string(count) +
                                   " items, but the file is only " + std::to_string(fileSize) + " bytes long");
    }
    const auto slotCount = static_cast<std::int32_t>(count);

    // The offset table as read, indexed by slot. Hidden entries get records
    // but no slots; recordOfSlot maps a slot to the record that holds it.
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(slotCount + 1) * 4);
    reader.ReadAt(0, raw.data(), static_cast<std::int64_t>(raw.size()), "the offset table");
    std::vector<std::int32_t> slots(static_cast<std::size_t>(slotCount) + 1);
    for (std::size_t s = 0; s < slots.size(); ++s) slots[s] = Int32At(&raw[s * 4]);

    // firstSlot[s]: the lowest slot holding the same value as slot s.
    // nextValid[s]: the value of the first slot at or after s that starts an
    // entry (positive and not a repeat), 0 when none does.
    std::vector<std::int32_t> firstSlot(slots.size());
    {
        std::unordered_map<std::int32_t, std::int32_t> first;
        first.reserve(slots.size());
        for (std::int32_t s = 0; s <= slotCount; ++s) firstSlot[s] = first.try_emplace(slots[s], s).first->second;
    }
    std::vector<std::int32_t> nextValid(slots.size() + 1, 0);
    for (std::int32_t s = slotCount; s >= 0; --s) {
        nextValid[s] = (slots[s] > 0 && firstSlot[s] == s) ? slots[s] : nextValid[s + 1];
    }

    table.Records.clear();
    table.Records.reserve(slots.size());
    std::vector<std::int32_t> recordOfSlot(slots.size());
    std::int64_t budget = std::max(fileSize * 16, std::int64_t{64} << 20);
    // Every genuine hidden entry takes at least a header's worth of the file.
    std::int64_t hiddenBudget = fileSize / kEntryHeaderSize;
    std::int64_t lastPosition = 0;
    bool previousHidden = false, previousPointer = false;

    for (std::int32_t s = 0; s <= slotCount; ++s) {
        // Voice archives keep extra entries between the data of one entry and
        // the next indexed entry, with no slot of their own. Each one starts
        // where the previous entry's data ended; a run of them ends at the
        // next indexed entry. Such a run never follows a pointer (the read
        // position then lies behind the pointer's target) nor a blank slot
        // (nothing was read), so a blank or pointer between two entries
        // leaves the entries after it where they were.
        if (table.IsVoiceArchive) {
            while (true) {
                const std::int64_t position = reader.position();
                const std::int32_t next = nextValid[s];
                const auto i = static_cast<std::int32_t>(table.Records.size());
                // The entry must start before the next indexed entry: data
                // behind it belongs to that entry, not to a hidden one.
                if (!(next > 0 && position < next && position != lastPosition && i > 0 &&
                      (previousHidden || !previousPointer))) {
                    break;
                }
                if (--hiddenBudget < 0) reader.Damaged("it holds more hidden entries than fit in the file");
                ItemRecord hidden;
                hidden.Offset = -1;
                hidden.RefersTo = i;
                hidden.IsHidden = true;
                ReadEntry(reader, position, hidden, i, budget);
                UpdateDisplayTexts(hidden);
                table.Records.push_back(std::move(hidden));
                lastPosition = position;
                previousHidden = true;
                previousPointer = false;
            }
        }

        const std::int64_t position = reader.position();
        const auto i = static_cast<std::int32_t>(table.Records.size());
        recordOfSlot[s] = i;
        ItemRecord record;
        record.Offset = slots[s];
        // A slot repeating an earlier slot is a pointer to the record of the
        // first one, even when the read position happens to stand at that
        // offset (as it does behind a pointer to the item before it).
        record.RefersTo = recordOfSlot[firstSlot[s]];
        record.IsBlank = record.Offset == 0;
        if (s != slotCount && record.Offset != 0) {
            if (firstSlot[s] != s)
                ShareEntry(reader, table.Records[static_cast<std::size_t>(record.RefersTo)], record);
            else
                ReadEntry(reader, record.Offset, record, i, budget);
        }
        if (table.IsVoiceArchive) lastPosition = position;
        UpdateDisplayTexts(record);
        previousHidden = false;
        previousPointer = firstSlot[s] != s;
        table.Records.push_back(std::move(record));
    }

    table.ItemCount = static_cast<std::int32_t>(table.Records.size()) - 1;
    table.SlotCount = slotCount;
    if (EndsUpper(path, 4) == ".HQS") LabelHqsItems(table);
    table.ArchiveKey = ArchiveKeyFor(path);
    ApplyDescriptionFile(table);
    table.RecordedScript = "OPN \"" + path + "\"\r\n";
    table.RecordedScriptChanged = target.RecordedScriptChanged;
    // table was made here, so it brings a Generation target never had.
    target = std::move(table);
}

}  // namespace archive
