// The text side of saving the recorded operations as a script: the closing
// "SVA" line and the script file itself. The dialogs around it belong to the
// desktop program.
#pragma once

#include <string>

#include "archive/item_table.h"

namespace script {

// Ends recordedScript with exactly one "SVA" line naming archiveFileName:
// when lastSaveLine is not empty and recordedScript ends with it (nothing was
// recorded since the last save), it is cut off first. lastSaveLine becomes
// the new line (CR LF included).
void AppendSaveLine(std::string& recordedScript, std::string& lastSaveLine, const std::string& archiveFileName);

// Writes table.RecordedScript to path as it stands (8-bit text, CR LF line
// ends, nothing before or after). An existing file is first renamed to its
// BackupName in the same folder. Clears RecordedScriptChanged on success;
// raises an Error (source "SaveScript") and leaves it set otherwise.
// Returns the backup's path, or "" when there was no file to back up.
std::string WriteRecordedScript(archive::ItemTable& table, const std::string& path);

}  // namespace script
