#include "hexedit/write_back.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/error.h"
#include "archive/item_operations.h"
#include "archive/program_directory.h"
#include "hexedit/texts.h"

namespace hexedit {

namespace {

constexpr int kFileError = 75;

// Writes all of bytes to fd and closes it; false (errno set) on a failure.
bool WriteAndClose(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            errno = err;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

[[noreturn]] void FileError(const char* source, const std::string& what, const std::string& path) {
    throw archive::Error(kFileError, source, "Cannot " + what + " '" + path + "': " + std::strerror(errno));
}

}  // namespace

bool CanWriteBack(const HexSource& source, bool itemUnchanged) {
    return source.FromItem && source.ItemEditing && !source.StoredBytes && source.ItemIndex >= 0 && itemUnchanged;
}

CloseOffer OfferOnClose(const HexSource& source, bool modified, bool itemUnchanged) {
    if (!modified) return CloseOffer::None;
    return CanWriteBack(source, itemUnchanged) ? CloseOffer::WriteBack : CloseOffer::SaveToFile;
}

void WriteBackItem(archive::ItemTable& table, std::int32_t item, std::span<const std::uint8_t> bytes,
                   const archive::MethodSettings& methods) {
    constexpr const char* kSource = "SaveHQRItem";
    if (item < 0 || item >= table.ItemCount)
        throw archive::Error(archive::kReplaceItemBase + item, "ReplaceItemWithFile", "Invalid .HQR item number");
    std::string path = archive::ProgramDirectory() + "DUMMY4.XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) FileError(kSource, "create a temporary file in", archive::ProgramDirectory());
    struct Remove {
        const std::string& path;
        ~Remove() { ::unlink(path.c_str()); }
    } remove{path};
    if (!WriteAndClose(fd, bytes)) FileError(kSource, "write the temporary file", path);

    const std::string sourceFile = table[item].SourceFile;
    const std::string extension = table[item].Extension;
    archive::ReplaceItemWithFile(table, item, path, table[item].CompressionType, methods);
    table[item].SourceFile = sourceFile;
    table[item].Extension = extension;
}

void WriteBytesToFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) FileError("cmdSave_Click", "create the file", path);
    if (!WriteAndClose(fd, bytes)) FileError("cmdSave_Click", "write the file", path);
}

std::string Caption(const HexSource& source, bool itemUnchanged) {
    if (!(source.FromItem && source.ItemEditing)) return kViewerCaption;
    if (itemUnchanged) return kEditorCaption;
    return std::string(kEditorCaption) + " - " + kStaleItemNote;
}

}  // namespace hexedit
