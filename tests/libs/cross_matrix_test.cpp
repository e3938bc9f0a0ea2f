// Every decoder export of the three libraries on long streams: windows that
// wrap, long matches, many ties, references overlapping their source. The
// codec's optimal parse writes them; the encoder exports are held to their
// exact streams in their own tests and round-tripped by the fuzz targets.
#include <gtest/gtest.h>

#include "codec/optimal_parse.h"
#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;

TEST(LibraryDecoders, EveryOneTakesLongStreams) {
    std::vector<std::pair<std::string, Bytes>> samples;
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix()));
        samples.emplace_back(path.filename().string(), std::move(data));
    }
    Bytes few = testing_support::RandomBytes(9000, 11);
    for (auto& b : few) b = static_cast<std::uint8_t>("ab \0"[b & 3]);
    samples.emplace_back("four symbols", std::move(few));
    samples.emplace_back("one byte", Bytes{0x42});
    samples.emplace_back("spaces", Bytes(5000, 0x20));
    for (const auto& [name, data] : samples)
        for (int type : {1, 2})
            encoder_libraries::ExpectEveryDecoderGives(codec::CompressOptimal(data, type), type, data, name);
}

}  // namespace
