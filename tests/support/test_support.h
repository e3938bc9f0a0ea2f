// Small helpers shared by the test programs: temporary folders, whole-file
// I/O and the sample files of tests/data/corpus.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder below the system temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name as a string.
    std::string file(const std::string& name) const;
    // Writes content to file(name) and returns that path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
};

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& data);
Bytes ToBytes(const std::string& text);

// Every file of tests/data/corpus (texts, binaries, game-like data; see its
// README), sorted by name.
std::vector<std::filesystem::path> CorpusFiles();

// Deterministic pseudo-random bytes.
Bytes RandomBytes(std::size_t size, std::uint32_t seed);

// The folder the program and its libraries are built into.
std::string BinDir();

// What a command printed (stdout and stderr together) and its exit status
// (-1 when it did not exit normally).
struct CommandResult {
    int status;
    std::string out;
};

// Runs a shell command line.
CommandResult RunCommand(const std::string& commandLine);
// Runs the built orvane-cli with the given argument text.
CommandResult RunCli(const std::string& arguments);

}  // namespace testing_support
