// Creating and writing HQR archives.
#pragma once

#include <string>
#include <vector>

#include "archive/item_table.h"

namespace archive {

// Empties table for a new archive: only the end record; RecordedScript
// becomes "NEW" and a line break. ArchiveKey and ArchiveTitle stay.
void NewArchive(ItemTable& table);

// Writes table to path in HQR layout. The new archive is written to a
// temporary file in path's folder and flushed to disk; an existing file at
// path is then renamed to its BackupName in the same folder, and the new file
// takes its place. On any failure the old archive is left under its own name
// (or, if only the last rename failed, under its backup name), the temporary
// file is removed, and an Error is raised. The table is not changed.
//
// Pointers are written as repeats of their target's slot. A pointer whose
// target is written later, or is hidden, has no slot to repeat; it is written
// as an entry of its own holding the same bytes, so that it survives
// reloading. A table whose first item is blank or hidden is refused: its
// slot 0 could not give the slot count back.
//
// Returns the backup's full path, or "" when there was no file to back up.
std::string SaveArchive(const ItemTable& table, const std::string& path);

// name + "." + eight random digits + ".BAK".
std::string BackupName(const std::string& name);

// The bytes SaveArchive writes for table.
Bytes SerializeArchive(const ItemTable& table);

// The Offset of each record 0..ItemCount once the archive SaveArchive
// writes for table is loaded again: its slot (0 for a blank item, the
// target's for a pointer), -1 for a hidden entry, the file's length for the
// end record. Raises what SaveArchive raises for a table it refuses.
std::vector<std::int32_t> WrittenOffsets(const ItemTable& table);

}  // namespace archive
