// Shared by the runner tests: a stand-in main window, a small archive
// written byte by byte, and a way to run script text and collect its log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/item_table.h"
#include "script/run_script.h"
#include "archive/item_table_builder.h"

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

// An archive of stored items holding the given bytes.
inline Bytes StoredArchive(const std::vector<Bytes>& items) {
    std::vector<Bytes> entries;
    for (const Bytes& item : items) entries.push_back(testing_support::EntryBytes(static_cast<std::int32_t>(item.size()), 0, item));
    return testing_support::RawArchive(entries);
}

// Items "AAAA", "BBBBBB", "CC".
inline Bytes ThreeItemArchive() {
    return StoredArchive({Bytes(4, 'A'), Bytes(6, 'B'), Bytes(2, 'C')});
}

struct Outcome {
    std::vector<std::string> Log;
    script::RunSummary Summary;
};

}  // namespace script_test
