// Edit in place: View hands an item to another program through a file of its
// own, and when that file changes the main window offers to put it back into
// the item. This is the part without windows: the private folder, the file
// names, what counts as a change and what each answer does. The window
// watches the files and calls CheckView once a file has gone quiet.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "shell/dialogs.h"
#include "shell/document.h"

namespace shell {

// A name a person recognises for item `item` of the archive at archivePath:
// "SAMPLE-item1.map" (the archive's name without folder and extension, the
// item number, the item's extension in lower case; no dot without one).
// An untitled archive (empty path) is "Untitled".
std::string ItemFileName(const std::string& archivePath, std::int32_t item, const std::string& extension);

// The program's private folder for the files of its views:
// BASE/orvane-UID/view-PID-XXXXXX, both levels mode 0700, so other users
// can neither read the items nor plant files. Made on first use, removed
// with everything in it when this object goes (at unload).
class ViewFolder {
public:
    // base: the system's temporary folder when empty.
    explicit ViewFolder(std::string base = {});
    ~ViewFolder();
    ViewFolder(const ViewFolder&) = delete;
    ViewFolder& operator=(const ViewFolder&) = delete;

    // The folder, ending in "/". archive::Error 75 when it cannot be made,
    // or when the per-user folder is not a private folder of this user.
    const std::string& Path();

    // Removes the folders that runs no longer running left behind (a crash,
    // a kill). Folders of programs still running are kept.
    static void RemoveLeftovers(const std::string& base = {});

private:
    std::string base_;
    std::string path_;
};

// Puts bytes back into the item of ticket as the hex editor's write-back
// does (the item keeps its compression type and extension; nothing is
// recorded in the script), as one step of the document, "Put back item N".
// False, with nothing changed, when the item changed since the ticket was
// made; after a put-back the ticket names the item as it is now. Raises the
// write-back's errors.
bool PutBack(ArchiveDocument& document, ItemTicket& ticket, std::span<const std::uint8_t> bytes);

// One file handed to another program.
struct ItemView {
    std::string Path;
    std::int32_t Item = 0;
    std::string Program;  // as the question names it
    ItemTicket Ticket;    // the item as it was when the view began
    std::uint64_t Size = 0;  // the content last seen (handed out, or offered)
    std::uint64_t Hash = 0;
};

// "Item N has been changed in PROGRAM. Do you want to save the changes into
// the archive?"
std::string PutBackQuestion(std::int32_t item, const std::string& program);
// The refusal when the item changed since the view began; names the file.
std::string ItemChangedText(const std::string& path, std::int32_t item);

// The question names the desktop's default application so.
inline constexpr const char* kDefaultApplication = "the default application";

// The files of the views, one per item viewed.
class ItemViews {
public:
    explicit ItemViews(std::string base = {}) : folder_(std::move(base)) {}

    // Extracts item, decompressed, into the private folder under
    // ItemFileName and remembers it with the item as it is now; a view of the
    // same item before is forgotten (its file replaced). The extraction is
    // recorded in the script as "&Extract..." to recordedAs records it (the
    // file the line names is not written). Returns the new path. Raises the
    // extraction's errors, and archive::Error 75 when the folder cannot be
    // made; nothing is recorded then.
    std::string View(ArchiveDocument& document, std::int32_t item, const std::string& archivePath, std::string program,
                     const std::string& recordedAs);
    // Forgets the view of path (its file stays until unload).
    void Forget(const std::string& path);
    const std::vector<ItemView>& Views() const { return views_; }
    const ItemView* Find(const std::string& path) const;

    // After the file of path went quiet: when its content differs from what
    // was last seen, asks the put-back question. Yes puts the bytes back, or
    // shows ItemChangedText when the item changed since the view began; No
    // leaves the archive alone. Either way the content seen becomes the one
    // compared next, so the same content is never offered twice. A file that
    // is gone, unreadable or too large for an item is left (and reported,
    // but for gone). Questions and messages go to ask, titled caption. True
    // when bytes were put back.
    bool CheckView(const std::string& path, Dialogs& ask, const std::string& caption, ArchiveDocument& document);

private:
    ViewFolder folder_;
    std::vector<ItemView> views_;
};

}  // namespace shell
