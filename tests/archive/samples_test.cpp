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
// always be made again, and load and save back to the same bytes.
TEST(Samples, AreReproducibleAndLoadThenSaveIdentically) {
    for (const auto& sample : samples::BuildSampleArchives()) {
        const Bytes bytes = ReadBytes(kSamples + sample.fileName);
        EXPECT_EQ(archive::SerializeArchive(sample.table), bytes) << sample.fileName;
        archive::ItemTable t;
        archive::LoadArchive(t, kSamples + sample.fileName);
        EXPECT_EQ(archive::SerializeArchive(t), bytes) << sample.fileName;
    }
    EXPECT_EQ(ReadBytes(kSamples + "FILEINFO/SAMPLE.INF"), ToBytes(samples::SampleDescriptionFile()));
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
    EXPECT_EQ(vox.SlotCount, vox.ItemCount - 3);  // three hidden entries
    EXPECT_EQ(hqs[2].Extension, "bl1");
    EXPECT_EQ(hqs[4].Description, "Palette");
}
