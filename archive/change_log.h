// What one change of an item table did, kept so that it can be taken back
// (undo) and made again (redo) without copying the table: the records it
// overwrote or removed (before-images), the records as it left them
// (after-images) and where it inserted or removed records. Stored bytes are
// held by reference (SharedBytes), so an image costs a record, not its data.
//
// The item operations note their changes while a log is attached to the
// table (ItemTable::Changes); the helpers at the end are what they call.
// Renumbering of references is not noted record by record: an insertion or
// removal implies it, and Undo and Redo repeat it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/item_table.h"

namespace archive {

class ChangeLog {
public:
    // Record `record` is about to change in place (once noted, further
    // changes before the next insertion or removal need no note).
    void BeforeChange(const ItemTable& table, std::int32_t record);
    // `count` records are about to be inserted at pos (references at or
    // past pos move up by count). The inserted records are taken as they
    // stand at the next note or at Finish.
    void BeforeInsert(const ItemTable& table, std::int32_t pos, std::int32_t count);
    // Record pos is about to be removed (references past it move down by
    // one). No other record may refer to it any more.
    void BeforeErase(const ItemTable& table, std::int32_t pos);
    // The change is complete: takes the after-images. Call once.
    void Finish(const ItemTable& table);

    bool Empty() const { return entries_.empty(); }
    // table must be as Finish (or Redo) left it; afterwards it is as it was
    // before the first note. Redo is the converse.
    void Undo(ItemTable& table) const;
    void Redo(ItemTable& table) const;
    // Bytes held: the images and every stored buffer they name (counted in
    // full even where the table shares it).
    std::size_t Size() const { return size_; }

private:
    enum class Kind { Change, Insert, Erase };
    struct Entry {
        Kind What;
        std::int32_t Pos;
        std::int32_t Count;              // Insert: records inserted
        std::vector<ItemRecord> Before;  // Change, Erase: one record
        std::vector<ItemRecord> After;   // Change: one record; Insert: Count records
    };

    void Start(const ItemTable& table);
    // Takes the after-images of the entries noted since the last insertion
    // or removal (their record numbers are still valid).
    void CloseOpen(const ItemTable& table);
    void Add(const ItemRecord& record);

    std::vector<Entry> entries_;
    std::size_t open_ = 0;  // entries_[open_..] await their after-images
    bool started_ = false;
    std::int32_t itemCountBefore_ = 0, slotCountBefore_ = 0, itemCountAfter_ = 0, slotCountAfter_ = 0;
    std::size_t size_ = 0;
};

inline void NoteChange(ItemTable& table, std::int32_t record) {
    if (table.Changes) table.Changes->BeforeChange(table, record);
}

// Notes the change and gives the record a new Stamp: its contents or kind
// change, so an editor opened on it must not write back.
inline ItemRecord& ChangeItem(ItemTable& table, std::int32_t record) {
    NoteChange(table, record);
    table[record].Stamp = NextGeneration();
    return table[record];
}

}  // namespace archive
