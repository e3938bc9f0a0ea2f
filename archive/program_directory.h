// The folder of the running program: description files, settings files,
// temporary files and the compression libraries all lie there.
#pragma once

#include <string>

namespace archive {

// The folder of the running executable, always ending in "/".
const std::string& ProgramDirectory();

// Makes ProgramDirectory() answer folder instead (a "/" is appended when
// missing). For tests and for tools that keep their files elsewhere.
void SetProgramDirectory(const std::string& folder);

// Where temporary files may go (the file-based method's exchange files, the
// viewer's and the hex editor's files), always ending in "/":
// ProgramDirectory() unless SetTemporaryDirectory chose another folder (an
// installed program, whose folder the user cannot write, uses a private one;
// see shell/file_locations.h).
std::string TemporaryDirectory();

// Makes TemporaryDirectory() answer folder ("/" appended when missing); an
// empty folder returns to ProgramDirectory().
void SetTemporaryDirectory(const std::string& folder);

}  // namespace archive
