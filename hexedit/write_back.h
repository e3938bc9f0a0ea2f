// Where the bytes of a hex window came from, what closing the window may
// offer to do with changed bytes, and writing them back into the item. The
// window is modeless, so the archive can change under it: the archive's
// document tells whether the item is still the one the window opened,
// unchanged (shell::ArchiveDocument::IsCurrent).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"

namespace hexedit {

struct HexSource {
    bool FromItem = false;         // opened on an archive item (else a file or nothing)
    std::int32_t ItemIndex = -1;   // that item's number
    bool ItemEditing = false;      // opened with item editing requested (Hex-edit)
    bool StoredBytes = false;      // the item's bytes as stored, not decompressed
};

// What the close question offers for changed bytes.
enum class CloseOffer {
    None,        // nothing changed: close without asking
    WriteBack,   // kWriteBackQuestion; Yes runs SaveHQRItem for ItemIndex
    SaveToFile,  // kLoadQuestion; Yes runs Save to file
};

// Write-back is allowed only for a window opened on an item with item
// editing, on decompressed bytes, while that item is unchanged and still has
// its number (so the bytes cannot land in another item or archive, nor over
// a replacement).
bool CanWriteBack(const HexSource& source, bool itemUnchanged);

// The offer when closing with the given modified flag.
CloseOffer OfferOnClose(const HexSource& source, bool modified, bool itemUnchanged);

// SaveHQRItem: makes bytes the decompressed contents of item through the
// replace operation, compressed again with the item's own compression type
// (stored when that does not make them shorter). The bytes travel through a
// temporary file of their own in ProgramDirectory() that is removed on every
// path. The item keeps its SourceFile and Extension (the temporary file says
// nothing about it) and nothing is recorded in the script. Errors are
// ReplaceItemWithFile's, or 75 when the temporary file cannot be written; the
// table is then unchanged. Check CanWriteBack first: this writes into
// whatever item now has the number.
void WriteBackItem(archive::ItemTable& table, std::int32_t item, std::span<const std::uint8_t> bytes,
                   const archive::MethodSettings& methods);

// Writes bytes to the file at path (Save to file), replacing it. Error 75
// with the reason when the file cannot be created or written.
void WriteBytesToFile(const std::string& path, std::span<const std::uint8_t> bytes);

// "Hex editor" for a window opened with item editing, else "Hex viewer";
// an editor that can no longer write back says so.
std::string Caption(const HexSource& source, bool itemUnchanged);

}  // namespace hexedit
