#include "archive/change_log.h"

#include <algorithm>
#include <iterator>

namespace archive {

namespace {

std::size_t StringBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }

std::size_t RecordBytes(const ItemRecord& r) {
    return sizeof(ItemRecord) + r.Data.size() + StringBytes(r.Description) + StringBytes(r.Extension) +
           StringBytes(r.SourceFile) + StringBytes(r.SizeText) + StringBytes(r.StoredSizeText) +
           StringBytes(r.TypeText);
}

// References at or past `from` move by `delta`.
void Renumber(ItemTable& table, std::int32_t from, std::int32_t delta) {
    for (ItemRecord& r : table.Records)
        if (r.RefersTo >= from) r.RefersTo += delta;
}

void InsertRecords(ItemTable& table, std::int32_t pos, const std::vector<ItemRecord>& records) {
    const auto count = static_cast<std::int32_t>(records.size());
    Renumber(table, pos, count);
    table.Records.insert(table.Records.begin() + pos, records.begin(), records.end());
    table.ItemCount += count;
}

void EraseRecords(ItemTable& table, std::int32_t pos, std::int32_t count) {
    table.Records.erase(table.Records.begin() + pos, table.Records.begin() + pos + count);
    table.ItemCount -= count;
    Renumber(table, pos + count, -count);
}

}  // namespace

void ChangeLog::Add(const ItemRecord& record) { size_ += RecordBytes(record); }

void ChangeLog::Start(const ItemTable& table) {
    if (started_) return;
    started_ = true;
    itemCountBefore_ = table.ItemCount;
    slotCountBefore_ = table.SlotCount;
}

void ChangeLog::CloseOpen(const ItemTable& table) {
    for (; open_ < entries_.size(); ++open_) {
        Entry& e = entries_[open_];
        if (e.What == Kind::Change) {
            e.After.push_back(table[e.Pos]);
            Add(e.After.back());
        } else if (e.What == Kind::Insert) {
            e.After.assign(table.Records.begin() + e.Pos, table.Records.begin() + e.Pos + e.Count);
            for (const ItemRecord& r : e.After) Add(r);
        }
    }
}

void ChangeLog::BeforeChange(const ItemTable& table, std::int32_t record) {
    Start(table);
    for (std::size_t k = open_; k < entries_.size(); ++k) {
        const Entry& e = entries_[k];
        if (e.What == Kind::Change && e.Pos == record) return;
        // A record inserted since the last note is taken whole at its end.
        if (e.What == Kind::Insert && record >= e.Pos && record < e.Pos + e.Count) return;
    }
    entries_.push_back({Kind::Change, record, 1, {table[record]}, {}});
    Add(table[record]);
}

void ChangeLog::BeforeInsert(const ItemTable& table, std::int32_t pos, std::int32_t count) {
    Start(table);
    CloseOpen(table);
    entries_.push_back({Kind::Insert, pos, count, {}, {}});
}

void ChangeLog::BeforeErase(const ItemTable& table, std::int32_t pos) {
    Start(table);
    CloseOpen(table);
    entries_.push_back({Kind::Erase, pos, 1, {table[pos]}, {}});
    Add(table[pos]);
    open_ = entries_.size();
}

void ChangeLog::Finish(const ItemTable& table) {
    CloseOpen(table);
    itemCountAfter_ = table.ItemCount;
    slotCountAfter_ = table.SlotCount;
    entries_.shrink_to_fit();
}

void ChangeLog::Undo(ItemTable& table) const {
    if (!started_) return;
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        switch (e->What) {
        case Kind::Change: table[e->Pos] = e->Before.front(); break;
        case Kind::Insert: EraseRecords(table, e->Pos, e->Count); break;
        case Kind::Erase: InsertRecords(table, e->Pos, e->Before); break;
        }
    }
    table.ItemCount = itemCountBefore_;
    table.SlotCount = slotCountBefore_;
    table.Generation = NextGeneration();
}

void ChangeLog::Redo(ItemTable& table) const {
    if (!started_) return;
    for (const Entry& e : entries_) {
        switch (e.What) {
        case Kind::Change: table[e.Pos] = e.After.front(); break;
        case Kind::Insert: InsertRecords(table, e.Pos, e.After); break;
        case Kind::Erase: EraseRecords(table, e.Pos, 1); break;
        }
    }
    table.ItemCount = itemCountAfter_;
    table.SlotCount = slotCountAfter_;
    table.Generation = NextGeneration();
}

}  // namespace archive
