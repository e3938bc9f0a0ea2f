// Raw HQR bytes for tests, written independently of the archive writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

}  // namespace fixtures
