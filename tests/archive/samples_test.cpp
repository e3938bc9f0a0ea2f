#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "archive/save.h"
#include "samples/sample_archives.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {
const std::string kSamples = std::string(ORVANE_SOURCE_DIR) + "/samples/";
}

// The checked-in samples are exactly what the generator builds, so they can
// always be made again.
TEST(Samples, AreReproducible) {
    for (const auto& sample : samples::BuildSampleArchives()) {
        EXPECT_EQ(archive::SerializeArchive(sample.table), ReadBytes(kSamples + sample.fileName)) << sample.fileName;
    }
    EXPECT_EQ(ReadBytes(kSamples + "FILEINFO/SAMPLE.INF"), ToBytes(samples::SampleDescriptionFile()));
}

TEST(Samples, LoadThenSaveIsByteIdentical) {
    for (const char* name : {"SAMPLE.HQR", "SPEECH.VOX", "HARBOUR.HQS"}) {
        archive::ItemTable t;
        archive::LoadArchive(t, kSamples + name);
        EXPECT_EQ(archive::SerializeArchive(t), ReadBytes(kSamples + name)) << name;
    }
}

TEST(Samples, ShowEveryKindAndTheirLabels) {
    const std::string saved = archive::ProgramDirectory();
    archive::SetProgramDirectory(kSamples);
    archive::ItemTable hqr, vox, hqs;
    archive::LoadArchive(hqr, kSamples + "SAMPLE.HQR");
    archive::LoadArchive(vox, kSamples + "SPEECH.VOX");
    archive::LoadArchive(hqs, kSamples + "HARBOUR.HQS");
    archive::SetProgramDirectory(saved);

    EXPECT_EQ(hqr.ArchiveTitle, "Tarvo sample archive");
    EXPECT_EQ(hqr[3].RefersTo, 1);
    EXPECT_TRUE(hqr[4].IsBlank);
    EXPECT_EQ(hqr[5].Description, "Noise");  // the blank item 4 has no line
    EXPECT_EQ(hqr[1].CompressionType, 1);
    EXPECT_EQ(hqr[2].CompressionType, 2);

    int hidden = 0;
    for (std::int32_t i = 0; i < vox.ItemCount; ++i) hidden += vox[i].IsHidden;
    EXPECT_EQ(hidden, 3);
    EXPECT_EQ(vox.SlotCount, vox.ItemCount - 3);

    EXPECT_EQ(hqs[2].Extension, "bl1");
    EXPECT_EQ(hqs[4].Description, "Palette");
}

TEST(LoadArchiveRejects, EveryPrefixOfTheSamples) {
    TempDir dir;
    for (const char* name : {"SAMPLE.HQR", "SPEECH.VOX"}) {
        const Bytes full = ReadBytes(kSamples + name);
        const std::string path = dir.file(name);
        for (std::size_t n = 0; n < full.size(); ++n) {
            WriteBytes(path, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
            archive::ItemTable t;
            try {
                archive::LoadArchive(t, path);
            } catch (const archive::Error& e) {
                EXPECT_NE(e.Description.find(path), std::string::npos) << e.Description;
            }
        }
    }
}
