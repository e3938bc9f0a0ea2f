// A recorded script replayed on a copy of the original archive must leave
// the same archive as the recorded operations did: random operation
// sequences through ItemOperation, then the recording through RunScript.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/load.h"
#include "archive/save.h"
#include "script/run_script.h"
#include "script/script_fixture.h"

namespace {

namespace fs = std::filesystem;
using script_test::FakeWindow;
using script_test::StoredArchive;
using testing_support::Bytes;
using testing_support::RandomBytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::ToBytes;
using testing_support::WriteBytes;

// Inputs for ADD and RPL: compressible text, noise, an empty file.
std::vector<std::string> MakeSourceFiles(const fs::path& folder) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "the archive keeps its items in order " + std::to_string(i % 7) + "\n";
    std::vector<std::string> files;
    for (const Bytes& content : {ToBytes(text), RandomBytes(300, 7), Bytes{}, ToBytes("short.")}) {
        files.push_back((folder / ("src " + std::to_string(files.size()) + ".dat")).string());
        WriteBytes(files.back(), content);
    }
    return files;
}

// Codes that record a line (the marked-item codes record nothing and so
// cannot be replayed), with mostly valid numbers, now and then one just out
// of range.
void DrawAndRun(std::mt19937& rng, archive::OperationContext& context, const std::vector<std::string>& sources,
                const fs::path& folder, int step, int& done) {
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    constexpr std::uint8_t kRecordedCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};
    const std::int32_t n = context.Table.ItemCount;
    const std::uint8_t code = kRecordedCodes[pick(0, std::size(kRecordedCodes) - 1)];
    const std::int32_t item = pick(-1, n);
    std::int32_t number = 0;
    if (code == archive::kOpAddItem || code == archive::kOpChangeCompression || code == archive::kOpReplaceItem)
        number = pick(0, 12) == 0 ? 3 : pick(0, 2);
    else if (code == archive::kOpItemToFromPointer || code == archive::kOpAddPointer ||
             code == archive::kOpAddMultiplePointers)
        number = pick(0, n);
    else if (code == archive::kOpAddMultipleBlanks)
        number = pick(-1, 3);
    const std::int32_t count = code == archive::kOpAddMultiplePointers ? pick(-1, 3) : 0;
    std::string file;
    if (code == archive::kOpAddItem || code == archive::kOpReplaceItem)
        file = sources[static_cast<std::size_t>(pick(0, static_cast<int>(sources.size()) - 1))];
    if (code == archive::kOpExtract || code == archive::kOpExtractAsIs)
        file = (folder / ("out " + std::to_string(step) + ".bin")).string();
    try {
        archive::ItemOperation(context, item, code, number, file, count);
        ++done;
    } catch (const archive::Error&) {
        // Not recorded, so not replayed either.
    }
}

std::vector<fs::path> ExtractedFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("out ", 0) == 0) files.push_back(entry.path());
    return files;
}

TEST(RecordedScriptReplay, GivesTheSameArchiveAsTheRecordedOperations) {
    TempDir dir;
    fs::path folder = dir.path() / "with space";
    fs::create_directory(folder);
    std::vector<std::string> sources = MakeSourceFiles(folder);
    int replayedOperations = 0;

    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        for (const auto& path : ExtractedFiles(folder)) fs::remove(path);
        const std::string work = (folder / "WORK.HQR").string(), saved = (folder / "REPLAY.HQR").string();
        std::vector<Bytes> items;
        for (std::uint32_t i = 0; i < 2 + seed % 4; ++i) items.push_back(RandomBytes(5 + (seed * 7 + i * 13) % 60, seed + i));
        const Bytes original = StoredArchive(items);
        WriteBytes(work, original);

        archive::ItemTable recorded;
        archive::LoadArchive(recorded, work);
        archive::OperationContext context(recorded);
        for (int step = 0, steps = 1 + static_cast<int>(rng() % 14); step < steps; ++step)
            DrawAndRun(rng, context, sources, folder, step, replayedOperations);
        Bytes expected;  // stays empty when the table cannot be saved (a blank first item)
        try {
            expected = archive::SerializeArchive(recorded);
        } catch (const archive::Error&) {
        }
        // What the recorded extractions wrote, to be written again by the replay.
        std::map<std::string, Bytes> extracted;
        for (const auto& path : ExtractedFiles(folder)) {
            extracted[path.string()] = ReadBytes(path);
            fs::remove(path);
        }

        WriteBytes(work, original);
        fs::remove(saved);
        archive::ItemTable replayed;
        FakeWindow window;
        std::vector<std::string> log;
        script::RunEnvironment env(replayed, window, [&](const std::string& m) { log.push_back(m); });
        script::RunSummary summary =
            script::RunScriptText(recorded.RecordedScript + "SVA \"" + saved + "\"\r\n", env);

        // A table that cannot be saved fails the replay's save too.
        EXPECT_EQ(summary.Errors, expected.empty() ? 1 : 0) << recorded.RecordedScript << (log.empty() ? "" : log[0]);
        EXPECT_EQ(fs::exists(saved) ? ReadBytes(saved) : Bytes{}, expected) << recorded.RecordedScript;
        for (const auto& [path, bytes] : extracted) {
            ASSERT_TRUE(fs::exists(path)) << path;
            EXPECT_EQ(ReadBytes(path), bytes) << path;
        }
        // Nothing the script did was recorded: the replayed table's recording
        // is the OPN line of its own load.
        EXPECT_EQ(replayed.RecordedScript, "OPN \"" + work + "\"\r\n");
    }
    // The sequences must exercise the operations, not only their errors.
    EXPECT_GT(replayedOperations, 200);
}

}  // namespace
