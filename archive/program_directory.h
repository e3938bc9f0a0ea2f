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

}  // namespace archive
