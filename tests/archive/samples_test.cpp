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

