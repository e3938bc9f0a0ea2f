// The shipped sample archives, built from data this project makes itself.
// tools: make-samples writes them into samples/; a test checks that the
// checked-in files are exactly what this code builds.
#pragma once

#include <string>
#include <vector>

#include "archive/item_table.h"

namespace samples {

struct SampleArchive {
    std::string fileName;  // "SAMPLE.HQR"
    archive::ItemTable table;
};

// SAMPLE.HQR (stored, LZSS and LZMIT items, pointers, blanks), SPEECH.VOX
// (runs of hidden entries) and HARBOUR.HQS (the fixed labels of its items).
std::vector<SampleArchive> BuildSampleArchives();

// The description file FILEINFO/SAMPLE.INF for SAMPLE.HQR: CR LF lines.
std::string SampleDescriptionFile();

}  // namespace samples
