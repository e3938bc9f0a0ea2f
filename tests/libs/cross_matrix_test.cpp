// Every encoder of the three libraries against every decoder export: an item
// compressed by one method must come back through any other.
#include <gtest/gtest.h>

#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;

std::vector<std::pair<std::string, Bytes>> Samples() {
    std::vector<std::pair<std::string, Bytes>> samples;
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix()));
        samples.emplace_back(path.filename().string(), std::move(data));
    }
    // Few symbols: long matches, many ties, references overlapping their source.
    Bytes few = testing_support::RandomBytes(9000, 11);
    for (auto& b : few) b = static_cast<std::uint8_t>("ab \0"[b & 3]);
    samples.emplace_back("four symbols", std::move(few));
    samples.emplace_back("one byte", Bytes{0x42});
    samples.emplace_back("spaces", Bytes(5000, 0x20));
    return samples;
}

void CheckMatrix(const std::vector<encoder_libraries::Encoder>& encoders) {
    for (const auto& [name, data] : Samples()) {
        for (const auto& encoder : encoders) {
            for (int type : encoder.types) {
                const auto stream = encoder.encode(data, type);
                if (stream) encoder_libraries::ExpectEveryDecoderGives(*stream, type, data, encoder.name + " on " + name);
            }
        }
    }
}

TEST(CrossMatrix, EveryEncoderDecodesEverywhere) { CheckMatrix(encoder_libraries::AllEncoders()); }

}  // namespace
