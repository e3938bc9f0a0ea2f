#include "archive/compression_dispatch.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "archive/error.h"
#include "archive/program_directory.h"
#include "support/expect_error.h"
#include "support/test_support.h"

namespace {

using archive::Bytes;
using archive::CompressFile;
using archive::ExpandCompressedFile;
using archive::Method;
using archive::MethodSettings;
using testing_support::RandomBytes;
using testing_support::ReadBytes;
using testing_support::ToBytes;

constexpr Method kMethods[] = {Method::Tarvo, Method::Okumura, Method::Hesk, Method::Dravik};

MethodSettings With(Method encoder, Method decoder) {
    MethodSettings s;
    s.CType1Algorithm = archive::Type1EncoderValue(encoder);
    s.CType2Algorithm = archive::Type2EncoderValue(encoder);
    s.DecAlgorithm = archive::DecoderValue(decoder);
    return s;
}

// A few kilobytes of each kind of data the archives hold: text, binary
// corpus samples, runs, and a short repetitive tail.
std::vector<Bytes> Samples() {
    std::vector<Bytes> out;
    out.push_back(ToBytes("abcabcabcabcabcabcabcabcabcX the quick brown fox jumps over the lazy dog dog dog dog"));
    Bytes runs(5000, 'A');
    for (std::size_t i = 0; i < runs.size(); i += 37) runs[i] = static_cast<std::uint8_t>(i);
    out.push_back(runs);
    int taken = 0;
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes file = ReadBytes(path);
        if (file.size() < 64) continue;
        file.resize(std::min<std::size_t>(file.size(), 12000));
        out.push_back(file);
        if (++taken == 3) break;
    }
    return out;
}

TEST(MethodSettingsTable, NumbersEachMethodAsTheOptionsStoreIt) {
    MethodSettings defaults;
    EXPECT_EQ(archive::Type1Encoder(defaults), Method::Tarvo);
    EXPECT_EQ(archive::Type2Encoder(defaults), Method::Tarvo);
    EXPECT_EQ(archive::Decoder(defaults), Method::Tarvo);
    MethodSettings s{0, 0, 1};
    EXPECT_EQ(archive::Type1Encoder(s), Method::Okumura);
    EXPECT_EQ(archive::Type2Encoder(s), Method::Hesk);
    EXPECT_EQ(archive::Decoder(s), Method::Okumura);
    s = {1, 1, 2};
    EXPECT_EQ(archive::Type1Encoder(s), Method::Hesk);
    EXPECT_EQ(archive::Type2Encoder(s), Method::Dravik);
    EXPECT_EQ(archive::Decoder(s), Method::Hesk);
    s = {2, 3, 3};
    EXPECT_EQ(archive::Type1Encoder(s), Method::Dravik);
    EXPECT_EQ(archive::Type2Encoder(s), Method::Okumura);
    EXPECT_EQ(archive::Decoder(s), Method::Dravik);
    // A hand-edited settings file may hold any digit.
    s = {9, 7, 5};
    EXPECT_EQ(archive::Type1Encoder(s), Method::Tarvo);
    EXPECT_EQ(archive::Type2Encoder(s), Method::Tarvo);
    EXPECT_EQ(archive::Decoder(s), Method::Tarvo);
}

TEST(CompressFileRoundTrip, EveryEncoderWithEveryDecoder) {
    const auto samples = Samples();
    for (std::int16_t type : {1, 2}) {
        for (Method encoder : kMethods) {
            for (std::size_t k = 0; k < samples.size(); ++k) {
                const Bytes& input = samples[k];
                Bytes stored;
                std::int16_t storedType = type;
                CompressFile(input, stored, storedType, With(encoder, Method::Tarvo));
                ASSERT_TRUE(storedType == type || storedType == 0);
                if (storedType == type) {
                    EXPECT_LT(stored.size(), input.size());
                } else {
                    EXPECT_EQ(stored, input);
                }
                for (Method decoder : kMethods) {
                    SCOPED_TRACE(std::string(archive::MethodName(encoder)) + " -> " + archive::MethodName(decoder) +
                                 " type " + std::to_string(type) + " sample " + std::to_string(k));
                    Bytes back;
                    ExpandCompressedFile(stored, back, static_cast<std::int32_t>(input.size()), storedType,
                                         With(encoder, decoder));
                    EXPECT_EQ(back, input);
                }
            }
        }
    }
}

TEST(CompressFileRoundTrip, CompressibleSamplesReallyCompress) {
    Bytes text = ToBytes(std::string(3000, 'x') + "tail");
    for (Method encoder : kMethods) {
        for (std::int16_t type : {1, 2}) {
            Bytes out;
            std::int16_t t = type;
            CompressFile(text, out, t, With(encoder, Method::Tarvo));
            EXPECT_EQ(t, type) << archive::MethodName(encoder);
            EXPECT_LT(out.size(), text.size() / 4) << archive::MethodName(encoder);
        }
    }
}

TEST(CompressFileFallsBackToStore, WhenTheStreamDoesNotShrink) {
    const Bytes noise = RandomBytes(3000, 7);
    for (Method encoder : kMethods) {
        for (std::int16_t type : {1, 2}) {
            Bytes out = ToBytes("stale");
            std::int16_t t = type;
            CompressFile(noise, out, t, With(encoder, Method::Tarvo));
            EXPECT_EQ(t, 0) << archive::MethodName(encoder);
            EXPECT_EQ(out, noise);
        }
    }
}

TEST(CompressFileFallsBackToStore, TinyAndEmptyItems) {
    for (std::size_t n = 0; n <= 18; ++n) {
        Bytes tiny(n, 'a');
        Bytes out = ToBytes("stale");
        std::int16_t t = 2;
        CompressFile(tiny, out, t, MethodSettings{});
        EXPECT_EQ(t, 0) << n;
        EXPECT_EQ(out, tiny);
    }
    Bytes out = ToBytes("stale");
    std::int16_t t = 1;
    CompressFile(Bytes(), out, t, With(Method::Okumura, Method::Tarvo));
    EXPECT_EQ(t, 0);
    EXPECT_TRUE(out.empty());
}

TEST(CompressFileRejects, TypesOutsideZeroToTwo) {
    Bytes out = ToBytes("kept");
    std::int16_t t = 3;
    testing_support::ExpectError([&] { CompressFile(ToBytes("data"), out, t, MethodSettings{}); }, 9219, "CompressFile",
                                 "Invalid compression type");
    EXPECT_EQ(t, 3);
    EXPECT_EQ(out, ToBytes("kept"));
    t = -1;
    EXPECT_THROW(CompressFile(ToBytes("data"), out, t, MethodSettings{}), archive::Error);
}

TEST(ExpandCompressedFileRejects, TypesOutsideZeroToTwo) {
    Bytes out;
    testing_support::ExpectError([&] { ExpandCompressedFile(ToBytes("data"), out, 4, 3, MethodSettings{}); }, 8195,
                                 "ExpandCompressedFile", "Invalid compression type");
}

TEST(ExpandCompressedFileStored, CutsToTheDeclaredSize) {
    Bytes out;
    ExpandCompressedFile(ToBytes("abcdef"), out, 4, 0, MethodSettings{});
    EXPECT_EQ(out, ToBytes("abcd"));
}

// The streams of the format's worked examples decode alike in every decoder.
TEST(ExpandCompressedFileDecoders, AgreeOnHandWrittenStreams) {
    struct Case {
        Bytes stream;
        std::int16_t type;
        std::int32_t size;
        std::string expected;
    };
    const Case cases[] = {
        {{0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}, 2, 10, "abcabcabcX"},
        {{0x17, 'a', 'b', 'c', 0x24, 0x00, 'X'}, 1, 10, "abcabcabcX"},
        {{0x01, 'A', 0x01, 0x00}, 2, 5, "AAAAA"},
        {{0x01, 'A', 0x01, 0x00}, 1, 4, "AAAA"},
        // Distance 3, length 17: the copy overlaps what it writes.
        {{0x07, 'x', 'y', 'z', 0x2F, 0x00}, 1, 20, "xyzxyzxyzxyzxyzxyzxy"},
    };
    for (const auto& c : cases) {
        for (Method decoder : kMethods) {
            Bytes out;
            ExpandCompressedFile(c.stream, out, c.size, c.type, With(Method::Tarvo, decoder));
            EXPECT_EQ(testing_support::ToBytes(c.expected), out) << archive::MethodName(decoder);
        }
    }
}

void ExpectDamaged(const Bytes& stream, std::int32_t size, std::int16_t type, Method decoder) {
    Bytes out = ToBytes("kept");
    SCOPED_TRACE(archive::MethodName(decoder));
    const archive::Error e =
        testing_support::ErrorOf([&] { ExpandCompressedFile(stream, out, size, type, With(Method::Tarvo, decoder)); });
    EXPECT_EQ(e.Number, archive::kDamagedDataBase + type);
    EXPECT_EQ(e.Source, "ExpandCompressedFile");
    EXPECT_NE(e.Description.find("Damaged compressed data"), std::string::npos);
    EXPECT_EQ(out, ToBytes("kept"));
}

TEST(ExpandCompressedFileRejectsDamage, BeforeAnyDecoderRuns) {
    for (Method decoder : kMethods) {
        // Truncated inside a reference word.
        ExpectDamaged({0x01, 'A', 0x01}, 5, 2, decoder);
        // The stream ends before the declared size.
        ExpectDamaged({0xFF, 'a', 'b'}, 10, 1, decoder);
        // A reference before the first byte.
        ExpectDamaged({0x00, 0x10, 0x00}, 4, 2, decoder);
        // Negative size; stored data shorter than declared.
        ExpectDamaged({0x01, 'A'}, -1, 1, decoder);
        ExpectDamaged(ToBytes("abc"), 4, 0, decoder);
    }
}

TEST(ExpandCompressedFileRejectsDamage, ImpossibleSizesWithoutAllocating) {
    // 17 stored bytes describe at most 144 type 2 bytes; a size near 2 GB must
    // be refused at once, not allocated and decoded.
    Bytes stream(17, 0x00);
    stream[1] = 0x01;
    for (Method decoder : kMethods) {
        ExpectDamaged(stream, INT32_MAX, 2, decoder);
        ExpectDamaged(stream, 145, 2, decoder);
        ExpectDamaged(stream, 137, 1, decoder);
    }
}

TEST(DravikDecoder, RunsToTheEndOfTheInputAndStopsAtDamage) {
    Bytes out;
    EXPECT_TRUE(archive::DravikDecode({0x17, 'a', 'b', 'c', 0x23, 0x00, 'X'}, 2, out, 1000));
    EXPECT_EQ(out, ToBytes("abcabcabcX"));
    out.clear();
    EXPECT_FALSE(archive::DravikDecode({0x00, 0x00, 0x00}, 2, out, 1000));
    out.clear();
    EXPECT_FALSE(archive::DravikDecode({0x01, 'a', 0x0F}, 2, out, 1000));
    out.clear();
    EXPECT_FALSE(archive::DravikDecode({0x01, 'a', 0x0F, 0x00}, 2, out, 10));
    EXPECT_LE(out.size(), 10u);
}

// Points ProgramDirectory() elsewhere for one test.
class ProgramDirectoryOverride {
public:
    explicit ProgramDirectoryOverride(const std::string& folder) : saved_(archive::ProgramDirectory()) {
        archive::SetProgramDirectory(folder);
    }
    ~ProgramDirectoryOverride() { archive::SetProgramDirectory(saved_); }

private:
    std::string saved_;
};

TEST(CompressionLibraries, AMissingLibraryFailsTheOperationClearly) {
    testing_support::TempDir empty;
    ProgramDirectoryOverride use(empty.path().string());
    Bytes out;
    std::int16_t t = 1;
    const archive::Error e = testing_support::ErrorOf([&] { CompressFile(Bytes(500, 'a'), out, t, MethodSettings{}); });
    EXPECT_EQ(e.Number, archive::kLibraryNotFound);
    EXPECT_NE(e.Description.find("libTarvoComp.so"), std::string::npos);
    EXPECT_EQ(t, 1);
    EXPECT_THROW(ExpandCompressedFile({0x01, 'A', 0x01, 0x00}, out, 5, 2, With(Method::Tarvo, Method::Hesk)),
                 archive::Error);
    // Stored data needs no library.
    ExpandCompressedFile(ToBytes("abc"), out, 3, 0, MethodSettings{});
    EXPECT_EQ(out, ToBytes("abc"));
}

TEST(CompressionLibraries, AMissingExportFailsTheOperationClearly) {
    testing_support::TempDir dir;
    // A library under the expected name that lacks the expected functions.
    std::filesystem::copy_file(testing_support::BinDir() + "/libPack.so", dir.file("libTarvoComp.so"));
    ProgramDirectoryOverride use(dir.path().string());
    Bytes out;
    std::int16_t t = 2;
    const archive::Error e = testing_support::ErrorOf([&] { CompressFile(Bytes(500, 'a'), out, t, MethodSettings{}); });
    EXPECT_EQ(e.Number, archive::kExportNotFound);
    EXPECT_NE(e.Description.find("Compress_LZMIT"), std::string::npos);
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OkumuraExchange, LeavesNoTemporaryFilesBehind) {
    testing_support::TempDir dir;
    for (const char* lib : {"libTarvoComp.so", "libTarvoCompC.so", "libPack.so"})
        std::filesystem::copy_file(testing_support::BinDir() + "/" + lib, dir.file(lib));
    const auto before = FilesIn(dir.path().string());
    ProgramDirectoryOverride use(dir.path().string());
    const MethodSettings okumura = With(Method::Okumura, Method::Okumura);
    Bytes input = ToBytes(std::string(2000, 'q') + "end");
    Bytes stored, back;
    std::int16_t t = 2;
    CompressFile(input, stored, t, okumura);
    ASSERT_EQ(t, 2);
    ExpandCompressedFile(stored, back, static_cast<std::int32_t>(input.size()), 2, okumura);
    EXPECT_EQ(back, input);
    // A damaged stream is refused after nothing was written.
    EXPECT_THROW(ExpandCompressedFile({0x00, 0x10}, back, 3, 1, okumura), archive::Error);
    EXPECT_EQ(FilesIn(dir.path().string()), before);
}

// Two programs compressing at the same time in the same folder each get their
// own bytes back.
TEST(OkumuraExchange, TwoProcessesNeverReadEachOthersData) {
    const MethodSettings okumura = With(Method::Okumura, Method::Okumura);
    auto work = [&](std::uint32_t seed) {
        for (int round = 0; round < 25; ++round) {
            Bytes input = RandomBytes(600, seed + round);
            for (std::size_t i = 0; i < input.size(); i += 3) input[i] = 'z';
            Bytes stored, back;
            std::int16_t t = 1;
            CompressFile(input, stored, t, okumura);
            ExpandCompressedFile(stored, back, static_cast<std::int32_t>(input.size()), t, okumura);
            if (back != input) return false;
        }
        return true;
    };
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(work(1000) ? 0 : 1);
    bool mine = work(5000);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(mine);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace

namespace {

// Hostile stored bytes with hostile sizes reach no decoder unchecked: every
// one either decodes to exactly the declared size, the same bytes in every
// decoder, or raises an Error.
TEST(ExpandCompressedFileRejectsDamage, RandomStreamsThroughEveryDecoder) {
    std::uint32_t seed = 77;
    for (int round = 0; round < 200; ++round) {
        Bytes stream = RandomBytes(1 + round % 60, seed++);
        if (round % 3 == 0) stream[0] = 0xFF;  // mostly literals: often valid
        const std::int16_t type = static_cast<std::int16_t>(1 + round % 2);
        const std::int32_t sizes[] = {0, 1, static_cast<std::int32_t>(stream.size()), 3 * static_cast<std::int32_t>(stream.size()),
                                      -5, INT32_MAX};
        for (std::int32_t size : sizes) {
            std::string first;  // "error" or the bytes of the first decoder
            for (Method decoder : kMethods) {
                if (decoder == Method::Okumura && round % 10 != 0) continue;  // file exchange: sample it
                Bytes out;
                std::string got = "error";
                try {
                    ExpandCompressedFile(stream, out, size, type, With(Method::Tarvo, decoder));
                    EXPECT_EQ(out.size(), static_cast<std::size_t>(size));
                    got.assign(out.begin(), out.end());
                } catch (const archive::Error& e) {
                    EXPECT_EQ(e.Number, archive::kDamagedDataBase + type);
                }
                if (decoder == Method::Tarvo)
                    first = got;
                else
                    EXPECT_EQ(got, first) << archive::MethodName(decoder) << " round " << round << " size " << size;
            }
        }
    }
}

}  // namespace
