// Every encoder of the three libraries against every decoder export: an item
// compressed by one method must come back through any other.
#include <gtest/gtest.h>

#include <algorithm>

#include "libs/encoder_libraries.h"

namespace {

using encoder_libraries::Bytes;
using encoder_libraries::Decoder;
using encoder_libraries::Encoder;

struct Sample {
    std::string name;
    Bytes data;
};

std::vector<Sample> Samples() {
    std::vector<Sample> samples;
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = testing_support::ReadBytes(path);
        data.resize(std::min(data.size(), encoder_libraries::CorpusPrefix()));
        samples.push_back({path.filename().string(), std::move(data)});
    }
    samples.push_back({"random 5000", testing_support::RandomBytes(5000, 7)});
    // Few symbols: long matches, many ties, references overlapping their source.
    Bytes few = testing_support::RandomBytes(9000, 11);
    for (auto& b : few) b = static_cast<std::uint8_t>("ab \0"[b & 3]);
    samples.push_back({"four symbols", std::move(few)});
    samples.push_back({"one byte", Bytes{0x42}});
    samples.push_back({"two bytes", Bytes{0x20, 0x20}});
    samples.push_back({"spaces 5000", Bytes(5000, 0x20)});
    return samples;
}

void CheckMatrix(const std::vector<Encoder>& encoders) {
    const auto decoders = encoder_libraries::AllDecoders();
    for (const auto& sample : Samples()) {
        for (const auto& encoder : encoders) {
            for (int type : encoder.types) {
                const auto stream = encoder.encode(sample.data, type);
                if (!stream) continue;  // the encoder reported that it does not shrink
                for (const auto& decoder : decoders) {
                    if (std::find(decoder.types.begin(), decoder.types.end(), type) == decoder.types.end()) continue;
                    const Bytes back = decoder.decode(*stream, sample.data.size(), type);
                    EXPECT_TRUE(back == sample.data) << encoder.name << " type " << type << " -> " << decoder.name
                                                     << " on " << sample.name;
                }
            }
        }
    }
}

TEST(CrossMatrix, TarvoCompCAndPackEncodersDecodeEverywhere) { CheckMatrix(encoder_libraries::OwnEncoders()); }

TEST(CrossMatrix, TarvoCompEncodersDecodeEverywhere) { CheckMatrix(encoder_libraries::TarvoCompEncoders()); }

}  // namespace
