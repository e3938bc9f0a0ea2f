#include "shell/edit_in_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/load.h"
#include "archive/item_table.h"
#include "hexedit/write_back.h"
#include "shell/file_locations.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

constexpr int kFileError = 75;
constexpr const char* kSource = "ViewItem";

[[noreturn]] void FileError(const std::string& what, const std::string& path, int err) {
    throw archive::Error(kFileError, kSource, "Cannot " + what + " '" + path + "': " + std::strerror(err));
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string BaseFolder(const std::string& base) { return base.empty() ? TemporaryRoot() : base; }

std::string UserFolder(const std::string& base) {
    return BaseFolder(base) + "/orvane-" + std::to_string(::getuid());
}

// The per-user folder: made 0700 when missing; refused unless it is a real
// folder of this user that nobody else may enter (a folder planted by
// another user in a shared /tmp would hand them our items).
void MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) FileError("create the folder", path, errno);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) FileError("open the folder", path, errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        FileError("use the folder", path, EPERM);
}

bool ProcessRuns(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

}  // namespace

std::string ItemFileName(const std::string& archivePath, std::int32_t item, const std::string& extension) {
    std::string name = archivePath.empty() ? std::string("Untitled") : fs::path(archivePath).stem().string();
    if (name.empty()) name = "Untitled";
    name += "-item" + std::to_string(item);
    if (!extension.empty()) name += "." + LowerCase(extension);
    return name;
}

// ----------------------------------------------------------------- folder

ViewFolder::ViewFolder(std::string base) : base_(std::move(base)) {}

ViewFolder::~ViewFolder() {
    if (path_.empty()) return;
    std::error_code error;
    fs::remove_all(path_, error);
}

const std::string& ViewFolder::Path() {
    if (!path_.empty()) return path_;
    const std::string user = UserFolder(base_);
    MakePrivateFolder(user);
    std::string path = user + "/view-" + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(path.data())) FileError("create a folder in", user, errno);
    path_ = path + "/";
    return path_;
}

void ViewFolder::RemoveLeftovers(const std::string& base) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(UserFolder(base), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("view-", 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + 5, nullptr, 10);
        if (ProcessRuns(pid)) continue;
        std::error_code ignored;
        fs::remove_all(entry.path(), ignored);
    }
}

// ------------------------------------------------------------------ items

bool PutBack(ArchiveDocument& document, ItemTicket& ticket, std::span<const std::uint8_t> bytes) {
    if (!document.IsCurrent(ticket)) return false;
    const std::int32_t item = ticket.Item;
    document.Change("Put back item " + std::to_string(item), item + 1, [&] {
        hexedit::WriteBackItem(document.Table(), item, bytes, document.Methods());
        return item + 1;
    });
    ticket = document.Ticket(item);
    return true;
}

std::string PutBackQuestion(std::int32_t item, const std::string& program) {
    return "Item " + std::to_string(item) + " has been changed in " + program +
           ". Do you want to save the changes into the archive?";
}

std::string ItemChangedText(const std::string& path, std::int32_t item) {
    return "Item " + std::to_string(item) +
           " has changed in the archive since it was viewed, so the changes were not saved into it. They are "
           "still in the file\r\n" +
           path;
}

// ------------------------------------------------------------------ views

std::string ItemViews::View(ArchiveDocument& document, std::int32_t item, const std::string& archivePath,
                            std::string program, const std::string& recordedAs) {
    archive::ItemTable& table = document.Table();
    if (item < 0 || item >= table.ItemCount)
        throw archive::Error(archive::kItemOperationItemBase + item, "ItemOperation", "Invalid .HQR item number");
    const std::string path = folder_.Path() + ItemFileName(archivePath, item, table[item].Extension);
    archive::ExtractItem(table, item, path, document.Methods());
    table.RecordedScript += archive::RecordedLine(item, archive::kOpExtract, 0, recordedAs, 0);
    table.RecordedScriptChanged = true;
    archive::Bytes bytes;
    archive::ReadFromFile(path, bytes);
    views_.erase(std::remove_if(views_.begin(), views_.end(),
                                [&](const ItemView& view) { return view.Item == item || view.Path == path; }),
                 views_.end());
    views_.push_back({path, item, std::move(program), document.Ticket(item), bytes.size(), Fnv1a(bytes)});
    return path;
}

void ItemViews::Forget(const std::string& path) {
    views_.erase(std::remove_if(views_.begin(), views_.end(), [&](const ItemView& view) { return view.Path == path; }),
                 views_.end());
}

const ItemView* ItemViews::Find(const std::string& path) const {
    for (const ItemView& view : views_)
        if (view.Path == path) return &view;
    return nullptr;
}

bool ItemViews::CheckView(const std::string& path, Dialogs& ask, const std::string& caption,
                          ArchiveDocument& document) {
    const auto found = std::find_if(views_.begin(), views_.end(), [&](const ItemView& v) { return v.Path == path; });
    if (found == views_.end()) return false;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) return false;  // gone for now: an editor saving by rename brings it back
    auto message = [&](const std::string& text, MessageIcon icon) {
        ask.Message(text, caption, icon, MessageButtons::Ok);
    };
    if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
        found->Size = size;
        message("The file is too large for an item of the archive:\r\n" + path, MessageIcon::Exclamation);
        return false;
    }
    archive::Bytes bytes;
    try {
        archive::ReadFromFile(path, bytes);
    } catch (const archive::Error& e) {
        message(e.Description, MessageIcon::Critical);
        return false;
    }
    const std::uint64_t hash = Fnv1a(bytes);
    if (bytes.size() == found->Size && hash == found->Hash) return false;
    found->Size = bytes.size();
    found->Hash = hash;
    // The question waits for the user: copy what it needs, the list may
    // change meanwhile (another view of the item begins).
    ItemView view = *found;
    const Answer answer =
        ask.Message(PutBackQuestion(view.Item, view.Program), caption, MessageIcon::Question, MessageButtons::YesNo);
    if (answer != Answer::Yes) return false;
    if (!PutBack(document, view.Ticket, bytes)) {
        message(ItemChangedText(path, view.Item), MessageIcon::Exclamation);
        return false;
    }
    // Later changes of the file go on from the item as it is now.
    for (ItemView& v : views_)
        if (v.Path == path) v.Ticket = view.Ticket;
    return true;
}

}  // namespace shell
