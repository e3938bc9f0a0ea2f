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

// Inputs for the tree encoders' tie rules, 3,000 to 43,000 bytes: runs,
// repeats at one distance with a changed byte here and there (equal strings,
// ties of two neighbours), copies ending at the window's edge (4079 back and
// beyond) and at the input's end, and rising counts (strings arriving in
// sorted order).
Bytes TieStress(std::uint32_t seed);

// The FNV-1a hash of bytes, to pin long streams.
std::uint64_t Fnv1a(const Bytes& bytes);

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
