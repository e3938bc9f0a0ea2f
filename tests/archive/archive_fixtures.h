// Building archives for tests: tables in memory and raw HQR bytes written
// independently of the archive writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"
#include "support/test_support.h"

namespace fixtures {

using testing_support::Bytes;

struct RawEntry {
    std::int32_t decompressed;
    std::int16_t type;
    Bytes data;
};

// Little-endian helpers.
void PutInt32(Bytes& out, std::int32_t v);
void PutInt16(Bytes& out, std::int16_t v);
Bytes EntryBytes(const RawEntry& e);

// An archive of plain entries in order, one slot each.
Bytes RawArchive(const std::vector<RawEntry>& entries);

// A table with no records yet: add items, then Finish.
archive::ItemTable StartTable();

// Appends a normal item (type 0 unless given) to a table being built.
void AddNormal(archive::ItemTable& t, const Bytes& data, std::int16_t type = 0, std::int32_t decompressed = -1);
void AddPointer(archive::ItemTable& t, std::int32_t target);
void AddBlank(archive::ItemTable& t);
void AddHidden(archive::ItemTable& t, const Bytes& data);
// Finishes the end record and the counts.
void Finish(archive::ItemTable& t);

}  // namespace fixtures
