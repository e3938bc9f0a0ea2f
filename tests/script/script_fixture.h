// Shared by the runner tests: a stand-in main window, a small archive
// written byte by byte, and a way to run script text and collect its log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"
#include "script/run_script.h"
#include "support/test_support.h"

namespace script_test {

using testing_support::Bytes;

class FakeWindow : public script::MainWindowLink {
public:
    bool Open = false;
    std::string FileName;
    std::vector<std::string> TakenNames;
    int Refreshes = 0;
    int ListSettingsApplied = 0;

    bool IsArchiveOpen() const override { return Open; }
    std::string CurrentFileName() const override { return FileName; }
    void TakeFileName(const std::string& name) override {
        TakenNames.push_back(name);
        FileName = name;
    }
    void RefreshItemList() override { ++Refreshes; }
    void ApplyListSettings() override { ++ListSettingsApplied; }
};

// An archive of stored items holding the given bytes, in the file layout:
// offset table, then header and bytes of each item.
inline Bytes StoredArchive(const std::vector<Bytes>& items) {
    auto put = [](Bytes& b, std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    Bytes b((items.size() + 1) * 4, 0);
    for (std::size_t i = 0; i < items.size(); ++i) {
        put(b, i * 4, static_cast<std::uint32_t>(b.size()));
        std::size_t at = b.size();
        b.resize(at + 10, 0);
        put(b, at, static_cast<std::uint32_t>(items[i].size()));
        put(b, at + 4, static_cast<std::uint32_t>(items[i].size()));
        b.insert(b.end(), items[i].begin(), items[i].end());
    }
    put(b, items.size() * 4, static_cast<std::uint32_t>(b.size()));
    return b;
}

// Items "AAAA", "BBBBBB", "CC".
inline Bytes ThreeItemArchive() {
    return StoredArchive({Bytes(4, 'A'), Bytes(6, 'B'), Bytes(2, 'C')});
}

struct Outcome {
    std::vector<std::string> Log;
    script::RunSummary Summary;
};

inline Outcome RunText(const std::string& text, archive::ItemTable& table, FakeWindow& window) {
    Outcome out;
    script::RunEnvironment env(table, window, [&](const std::string& m) { out.Log.push_back(m); });
    out.Summary = script::RunScriptText(text, env);
    return out;
}

}  // namespace script_test
