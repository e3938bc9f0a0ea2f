#include "archive/program_directory.h"

#include <filesystem>
#include <system_error>

namespace archive {

namespace {
std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string& Current() {
    static std::string folder = [] {
        std::error_code ec;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        return WithSeparator(ec ? std::filesystem::current_path().string() : exe.parent_path().string());
    }();
    return folder;
}

std::string& Temporary() {
    static std::string folder;
    return folder;
}
}  // namespace

const std::string& ProgramDirectory() { return Current(); }

void SetProgramDirectory(const std::string& folder) { Current() = WithSeparator(folder); }

std::string TemporaryDirectory() { return Temporary().empty() ? ProgramDirectory() : Temporary(); }

void SetTemporaryDirectory(const std::string& folder) { Temporary() = folder.empty() ? "" : WithSeparator(folder); }

}  // namespace archive
