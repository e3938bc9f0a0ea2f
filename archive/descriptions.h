// Item descriptions: the text files in FILEINFO/ beside the program that
// name the items of known archives.
//
// A description file holds the archive's title on its first line, then one
// line per non-blank record in record order: the extension, a tab, the
// description. Lines end in CR LF.
#pragma once

#include <string>

#include "archive/item_table.h"

namespace archive {

// The upper-case key of an archive path: its file name without the last
// extension; for ".ILE" and ".OBL" archives the first six characters and
// "_I" or "_O". A name without "." is the key as a whole.
std::string ArchiveKeyFor(const std::string& path);

// The description file name for a key and the archive's slot 0 (the offset
// table size, which tells editions apart): "RESS1.INF", "TEXT1J.INF", ...
std::string DescriptionFileName(const std::string& key, std::int32_t slot0);

// Reads ProgramDirectory() + "FILEINFO/" + the file chosen by table's key and
// its record 0 offset, when that file exists.
void ApplyDescriptionFile(ItemTable& table);

// Reads one description file into table: the title, then extensions and
// descriptions of the non-blank records. Lines without a tab are skipped, so
// are lines beyond the last record; an extension loses any path separator.
void ReadDescriptionFile(ItemTable& table, const std::string& path);

// The text after the last path separator ("/" or "\"); the whole path when it
// has none.
std::string FileNamePart(const std::string& path);

// Upper case in the 8-bit Latin-1 code page.
std::string UpperCase(std::string text);

}  // namespace archive
