#include "support/test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "orvane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return (path_ / name).string(); }

std::string TempDir::write(const std::string& name, const std::string& content) const {
    WriteBytes(path_ / name, ToBytes(content));
    return file(name);
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& data) {
    // Rewriting a file in place by truncation makes the file system flush it
    // to disk at close; a fresh file does not, which keeps sweeps fast.
    std::error_code ec;
    fs::remove(path, ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_SOURCE_DIR) / "tests/data/corpus")) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

Bytes TieStress(std::uint32_t seed) {
    Bytes b = RandomBytes(3000 + seed * 1531 % 40000, seed);
    const std::size_t n = b.size();
    const std::size_t period = 1 + b[0] % 24;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t r = b[i];
        const std::size_t back = 4079 + r % 3u, near = 1 + r % 17u;
        switch (seed % 5) {
            case 0: b[i] = i >= period && r % 16 ? b[i - period] : r & 3; break;
            case 1: b[i] = static_cast<std::uint8_t>(i / (1 + r % 3) / 37 % 3); break;
            case 2: b[i] = i >= back && r % 8 ? b[i - back] : r % 5; break;
            case 3: b[i] = static_cast<std::uint8_t>(i % 4 == 3 ? i / 4 / 3 % 256 : i % 4 == 2 ? i / 4 / 768 : r % 2); break;
            case 4: b[i] = i >= 17 && r % 4 ? b[i - near] : r % 4; break;
        }
    }
    return b;
}

std::uint64_t Fnv1a(const Bytes& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t x : bytes) h = (h ^ x) * 1099511628211ull;
    return h;
}

std::string BinDir() { return ORVANE_BIN_DIR; }

CommandResult RunCommand(const std::string& commandLine) {
    CommandResult run{-1, ""};
    FILE* pipe = ::popen((commandLine + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

CommandResult RunCli(const std::string& arguments) { return RunCommand(BinDir() + "/orvane-cli " + arguments); }

}  // namespace testing_support
