// make-samples FOLDER: writes the sample archives and FILEINFO/SAMPLE.INF
// into FOLDER (the project's samples/ folder).
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive/error.h"
#include "archive/save.h"
#include "samples/sample_archives.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        for (const auto& sample : samples::BuildSampleArchives()) {
            const auto path = (folder / sample.fileName).string();
            std::filesystem::remove(path);
            archive::SaveArchive(sample.table, path);
            std::printf("wrote %s\n", path.c_str());
        }
        std::filesystem::create_directories(folder / "FILEINFO");
        std::ofstream(folder / "FILEINFO" / "SAMPLE.INF", std::ios::binary) << samples::SampleDescriptionFile();
    } catch (const archive::Error& e) {
        std::fprintf(stderr, "make-samples: %s\n", e.Description.c_str());
        return 1;
    }
    return 0;
}
