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
    std::vector<std::string> files;
    std::string text;
    for (int i = 0; i < 40; ++i) text += "the archive keeps its items in order " + std::to_string(i % 7) + "\n";
    std::vector<Bytes> contents = {ToBytes(text), RandomBytes(300, 7), Bytes{}, ToBytes("short.")};
    for (std::size_t i = 0; i < contents.size(); ++i) {
        std::string path = (folder / ("src " + std::to_string(i) + ".dat")).string();
        WriteBytes(path, contents[i]);
        files.push_back(path);
    }
    return files;
}

struct RandomOperation {
    std::int32_t Item;
    std::uint8_t Code;
    std::int32_t Number;
    std::string File;
    std::int32_t Count;
};

// Operation codes that record a line; the marked-item codes record nothing
// and so cannot be replayed.
constexpr std::uint8_t kRecordedCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};

RandomOperation Draw(std::mt19937& rng, std::int32_t itemCount, const std::vector<std::string>& sources,
                     const fs::path& folder, int step) {
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    RandomOperation op{};
    op.Code = kRecordedCodes[pick(0, std::size(kRecordedCodes) - 1)];
    // Mostly valid numbers, now and then one just out of range.
    op.Item = pick(-1, itemCount);
    switch (op.Code) {
        case archive::kOpAddItem:
        case archive::kOpChangeCompression:
        case archive::kOpReplaceItem: op.Number = pick(0, 12) == 0 ? 3 : pick(0, 2); break;
        case archive::kOpItemToFromPointer:
        case archive::kOpAddPointer:
        case archive::kOpAddMultiplePointers: op.Number = pick(0, itemCount); break;
        case archive::kOpAddMultipleBlanks: op.Number = pick(-1, 3); break;
        default: op.Number = 0;
    }
    op.Count = op.Code == archive::kOpAddMultiplePointers ? pick(-1, 3) : 0;
    if (op.Code == archive::kOpAddItem || op.Code == archive::kOpReplaceItem)
        op.File = sources[static_cast<std::size_t>(pick(0, static_cast<int>(sources.size()) - 1))];
    if (op.Code == archive::kOpExtract || op.Code == archive::kOpExtractAsIs)
        op.File = (folder / ("out " + std::to_string(step) + ".bin")).string();
    return op;
}

std::vector<fs::path> ExtractedFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("out ", 0) == 0) files.push_back(entry.path());
    return files;
}

Bytes OriginalArchive(std::uint32_t seed) {
    std::vector<Bytes> items;
    for (std::uint32_t i = 0; i < 2 + seed % 4; ++i) items.push_back(RandomBytes(5 + (seed * 7 + i * 13) % 60, seed + i));
    return StoredArchive(items);
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
        std::string work = (folder / "WORK.HQR").string();
        Bytes original = OriginalArchive(seed);
        WriteBytes(work, original);

        archive::ItemTable recorded;
        archive::LoadArchive(recorded, work);
        archive::OperationContext context(recorded);
        int steps = 1 + static_cast<int>(rng() % 14);
        for (int step = 0; step < steps; ++step) {
            RandomOperation op = Draw(rng, recorded.ItemCount, sources, folder, step);
            try {
                archive::ItemOperation(context, op.Item, op.Code, op.Number, op.File, op.Count);
                ++replayedOperations;
            } catch (const archive::Error&) {
                // Not recorded, so not replayed either.
            }
        }
        Bytes expected;
        bool savable = true;
        try {
            expected = archive::SerializeArchive(recorded);
        } catch (const archive::Error&) {
            savable = false;  // e.g. a blank first item: the replay's save must fail too
        }
        // What the recorded extractions wrote, to be written again by the replay.
        std::map<std::string, Bytes> extracted;
        for (const auto& path : ExtractedFiles(folder)) {
            extracted[path.string()] = ReadBytes(path);
            fs::remove(path);
        }

        WriteBytes(work, original);
        std::string saved = (folder / "REPLAY.HQR").string();
        fs::remove(saved);
        archive::ItemTable replayed;
        FakeWindow window;
        std::vector<std::string> log;
        script::RunEnvironment env(replayed, window, [&](const std::string& m) { log.push_back(m); });
        script::RunSummary summary =
            script::RunScriptText(recorded.RecordedScript + "SVA \"" + saved + "\"\r\n", env);

        if (savable) {
            EXPECT_EQ(summary.Errors, 0) << recorded.RecordedScript << (log.empty() ? "" : log[0]);
            EXPECT_TRUE(log.empty());
            ASSERT_TRUE(fs::exists(saved)) << recorded.RecordedScript;
            EXPECT_EQ(ReadBytes(saved), expected) << recorded.RecordedScript;
        } else {
            EXPECT_EQ(summary.Errors, 1) << recorded.RecordedScript;
            EXPECT_FALSE(fs::exists(saved));
        }
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
