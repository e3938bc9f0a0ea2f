// The promise of recording: replaying the recorded lines on a fresh copy of
// the archive gives the same archive as the operations that were recorded.
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/item_operations.h"
#include "archive/load.h"
#include "archive/save.h"
#include "item_table_builder.h"
#include "support/test_support.h"

namespace {

using archive::ItemTable;
using archive::MethodSettings;

// Runs one recorded line the way a script runs it: the operation itself,
// not the dispatcher.
void Replay(ItemTable& table, const std::string& line, const MethodSettings& methods) {
    const std::string op = line.substr(0, 3);
    std::string numbers = line.size() > 4 ? line.substr(4) : "";
    std::string path;
    if (auto q = numbers.find('"'); q != std::string::npos) {
        auto end = numbers.rfind('"');
        path = numbers.substr(q + 1, end - q - 1);
        numbers = numbers.substr(0, q);
    }
    std::istringstream in(numbers);
    std::int32_t a = 0, b = 0, c = 0;
    in >> a >> b >> c;
    auto t16 = [](std::int32_t v) { return static_cast<std::int16_t>(v); };
    if (op == "EXT") archive::ExtractItem(table, a, path, methods);
    else if (op == "EXA") archive::ExtractItemAsIs(table, a, path);
    else if (op == "ADD") archive::AddItem(table, a, path, t16(b), methods);
    else if (op == "DEL") archive::RemoveItem(table, a);
    else if (op == "CMT") archive::ChangeItemCompressionType(table, a, t16(b), methods);
    else if (op == "RPB") archive::ChangeItemType(table, a);
    else if (op == "RPL") archive::ReplaceItemWithFile(table, a, path, t16(b), methods);
    else if (op == "RPP") archive::ItemToFromPointer(table, a, b);
    else if (op == "ADB") archive::InsertBlankItem(table, a);
    else if (op == "ADP") archive::AddPointer(table, a, b);
    else if (op == "AMP") archive::AddMultiplePointers(table, a, b, c);
    else if (op == "AMB") archive::AddMultipleBlankItems(table, a, b);
    else if (op != "OPN" && op != "NEW") FAIL() << "unknown recorded line " << line;
}

std::vector<std::string> Lines(const std::string& script) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < script.size()) {
        auto end = script.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos) break;
        lines.push_back(script.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The saved bytes, or the number of the error that refused the save.
std::string SavedOrError(const ItemTable& table, const std::string& path) {
    try {
        archive::SaveArchive(table, path);
        return testing_support::Text(testing_support::ReadBytes(path));
    } catch (const archive::Error& e) {
        return "error " + std::to_string(e.Number);
    }
}

MethodSettings AllMethods(archive::Method m) {
    return {archive::Type1EncoderValue(m), archive::Type2EncoderValue(m), archive::DecoderValue(m)};
}

TEST(RecordingReplay, RandomOperationsOnTheSamplesReplayToTheSameArchive) {
    testing_support::TempDir dir;
    const std::vector<std::string> files = {
        [&] { auto p = dir.file("text.txt"); testing_support::WriteBytes(p, testing_support::ToBytes(std::string(1500, 't') + "x")); return p; }(),
        [&] { auto p = dir.file("noise.bin"); testing_support::WriteBytes(p, testing_support::RandomBytes(300, 4)); return p; }(),
        [&] { auto p = dir.file("tiny"); testing_support::WriteBytes(p, testing_support::ToBytes("tiny")); return p; }(),
        [&] { auto p = dir.file("w.wav"); testing_support::WriteBytes(p, testing_support::ToBytes("RIFF\x20\0\0\0WAVEfmt ")); return p; }(),
    };
    const std::string samplesDir = std::string(ORVANE_SOURCE_DIR) + "/samples/";
    const archive::Method methods[] = {archive::Method::Tarvo, archive::Method::Dravik, archive::Method::Hesk,
                                       archive::Method::Okumura};
    std::mt19937 rng(20261206);
    int sequences = 0, recorded = 0, refused = 0, written = 0;
    for (const char* sample : {"SAMPLE.HQR", "SPEECH.VOX", "HARBOUR.HQS"}) {
        for (int seq = 0; seq < 12; ++seq, ++sequences) {
            SCOPED_TRACE(std::string(sample) + " sequence " + std::to_string(seq));
            ItemTable live;
            archive::LoadArchive(live, samplesDir + sample);
            archive::OperationContext context(live);
            context.Methods = AllMethods(methods[seq % 4]);
            auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
            for (int step = 0; step < 25; ++step) {
                const int n = live.ItemCount;
                static const std::uint8_t codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};
                const std::uint8_t code = codes[pick(0, 11)];
                const std::int32_t item = pick(0, 9) == 0 ? pick(-1, n + 1) : pick(0, std::max(0, n - 1));
                std::int32_t number = 0, count = 0;
                std::string file = files[static_cast<std::size_t>(pick(0, 3))];
                switch (code) {
                    case 0: case 1: file = dir.file("out" + std::to_string(step)); break;
                    case 2: case 4: case 6: number = pick(0, 9) == 0 ? pick(-1, 3) : pick(0, 2); break;
                    case 7: case 9: number = pick(0, 9) == 0 ? pick(-1, n + 1) : pick(0, std::max(0, n - 1)); break;
                    case 11: number = pick(0, std::max(0, n - 1)); count = pick(0, 3); break;
                    case 12: number = pick(0, 3); break;
                    default: break;
                }
                try {
                    archive::ItemOperation(context, item, code, number, file, count);
                    ++recorded;
                } catch (const archive::Error&) {
                    ++refused;
                }
            }
            ItemTable replayed;
            archive::LoadArchive(replayed, samplesDir + sample);
            const auto lines = Lines(live.RecordedScript);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[0], "OPN \"" + samplesDir + sample + "\"");
            for (const auto& line : lines) {
                try {
                    Replay(replayed, line, context.Methods);
                } catch (const archive::Error& e) {
                    ADD_FAILURE() << "a recorded line failed on replay: " << line << ": " << e.Description;
                }
            }
            const std::string tag = std::to_string(sequences);
            const std::string saved = SavedOrError(live, dir.file("live" + tag));
            EXPECT_EQ(saved, SavedOrError(replayed, dir.file("replay" + tag)));
            if (saved.rfind("error ", 0) != 0) ++written;
            replayed.RecordedScript = live.RecordedScript;
            replayed.RecordedScriptChanged = live.RecordedScriptChanged;
            EXPECT_TRUE(testing_support::SameTable(live, replayed));
        }
    }
    // The random arguments reach both the operations and their refusals.
    EXPECT_GT(recorded, sequences * 10);
    EXPECT_GT(refused, sequences);
    EXPECT_GT(written, sequences / 2);
}

}  // namespace
