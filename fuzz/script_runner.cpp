// Arbitrary script text run against a small sample archive: the runner must
// never crash or throw, and everything it says must be one of its messages.
//
// Input: byte 0 chooses the host state and the compression methods, the
// rest is the script. File names are kept inside a private temporary folder
// (path separators become "_", and the folder is the working directory), and
// the work a script can ask for is bounded so that one input stays small.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/error.h"
#include "archive/item_operations.h"
#include "archive/load.h"
#include "archive/save.h"
#include "script/run_script.h"
#include "script/script_text.h"

namespace {

namespace fs = std::filesystem;

class FuzzWindow : public script::MainWindowLink {
public:
    bool Open = false;
    std::string FileName;
    bool IsArchiveOpen() const override { return Open; }
    std::string CurrentFileName() const override { return FileName; }
    void TakeFileName(const std::string& name) override { FileName = name; }
    void RefreshItemList() override {}
    void ApplyListSettings() override {}
};

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

struct Sandbox {
    fs::path Folder;
    archive::Bytes Sample;  // SAMPLE.HQR as first written
};

// A folder of our own holding SAMPLE.HQR (stored, LZSS and LZMIT items, a
// pointer) and two source files the script may add by name.
const Sandbox& TheSandbox() {
    static Sandbox sandbox = [] {
        Sandbox s;
        std::string pattern = (fs::temp_directory_path() / "orvane-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        s.Folder = pattern;
        fs::current_path(s.Folder);
        std::string text;
        for (int i = 0; i < 30; ++i) text += "sample text line " + std::to_string(i % 4) + "\r\n";
        WriteFile("TEXT.TXT", text);
        WriteFile("BIN.DAT", std::string("\x01\x02IFF\x00\xff\x10", 8));
        archive::ItemTable table;
        archive::NewArchive(table);
        archive::MethodSettings methods;
        archive::AddItem(table, 0, "BIN.DAT", 0, methods);
        for (std::int16_t type : {1, 2}) {
            try {
                archive::AddItem(table, table.ItemCount, "TEXT.TXT", type, methods);
            } catch (const archive::Error&) {
                // Without the compression libraries the sample has stored items only.
            }
        }
        archive::AddPointer(table, table.ItemCount, 0);
        s.Sample = archive::SerializeArchive(table);
        return s;
    }();
    return sandbox;
}

bool KnownMessage(const std::string& m) {
    for (const char* prefix : {"Fatal Error: ", "Error: ", "External Error: ", "Warning: ", "Unknown identifier: "})
        if (m.rfind(prefix, 0) == 0) return m.size() > std::string(prefix).size();
    return false;
}

// Lines that read files can make every later one twice as big (save the
// archive, add it to itself); a few of them are enough to reach every path.
bool WithinBudget(const std::string& text) {
    int fileReads = 0;
    for (const std::string& line : script::SplitLines(text)) {
        std::string m = script::Mnemonic(line);
        if (m == "ADD" || m == "RPL") ++fileReads;
    }
    return fileReads <= 4;
}

void ClearFolder(const Sandbox& s) {
    std::vector<fs::path> stale;
    for (const auto& entry : fs::directory_iterator(s.Folder)) {
        std::string name = entry.path().filename().string();
        if (name != "TEXT.TXT" && name != "BIN.DAT") stale.push_back(entry.path());
    }
    for (const auto& path : stale) fs::remove_all(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    const Sandbox& sandbox = TheSandbox();
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (char& c : text)
        if (c == '/' || c == '\\') c = '_';
    if (!WithinBudget(text)) return 0;

    ClearFolder(sandbox);
    WriteFile("SAMPLE.HQR", std::string(sandbox.Sample.begin(), sandbox.Sample.end()));

    archive::ItemTable table;
    FuzzWindow window;
    std::uint8_t mode = data[0];
    if (mode & 1) {
        archive::LoadArchive(table, "SAMPLE.HQR");
        window.Open = true;
        if (mode & 2) window.FileName = "SAMPLE.HQR";
    }
    bool badMessage = false;
    script::RunEnvironment env(table, window, [&](const std::string& m) { badMessage |= !KnownMessage(m); });
    env.Methods.CType1Algorithm = (mode >> 2) & 3;
    env.Methods.CType2Algorithm = (mode >> 4) & 3;
    env.Methods.DecAlgorithm = (mode >> 6) & 3;
    env.MaxItemCount = 256;
    script::RunScriptText(text, env);
    if (badMessage) std::abort();
    // The table stays whole: every record exists and every reference is one.
    if (table.ItemCount < 0 || table.Records.size() != static_cast<std::size_t>(table.ItemCount) + 1) std::abort();
    for (const auto& record : table.Records)
        if (record.RefersTo < 0 || record.RefersTo > table.ItemCount) std::abort();
    return 0;
}
