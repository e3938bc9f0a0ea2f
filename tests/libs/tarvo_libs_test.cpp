// The exports of TarvoComp and TarvoCompC, loaded as the program loads them:
// every decoder against every other on the same streams, the encoders'
// builds against each other, the file functions, and hostile arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "libs/library.h"
#include "support/test_support.h"

namespace {

using namespace libtest;
using Bytes = std::vector<std::uint8_t>;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

class TarvoLibraries : public ::testing::Test {
protected:
    Library comp{"libTarvoComp.so"};
    Library compc{"libTarvoCompC.so"};

    void SetUp() override {
        ASSERT_TRUE(comp.loaded()) << comp.path();
        ASSERT_TRUE(compc.loaded()) << compc.path();
    }

    // Decodes `stream` (declared size `size`, type 1 or 2) with every decoder
    // export that handles the type, and checks they all give `want`.
    void ExpectEveryDecoderGives(const Bytes& stream, std::int32_t size, int type, const Bytes& want) {
        // The buffer decoders are not given the input length: keep a margin
        // after the stream so a decoder that reads too far shows as a mismatch
        // rather than as a fault.
        Bytes in = stream;
        in.resize(stream.size() + 64, 0);
        auto run = [&](const char* what, auto&& decode) {
            Bytes out(static_cast<std::size_t>(size) + 8, 0xCD);
            decode(out.data());
            for (std::size_t i = size; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCD) << what << " wrote past the size";
            out.resize(size);
            EXPECT_EQ(out, want) << what;
        };
        run("TarvoComp ExpandLZ",
            [&](std::uint8_t* o) { comp.Get<BufferExpandOutFirst>("ExpandLZ")(o, in.data(), size, type + 1); });
        run("TarvoCompC ExpandLZ",
            [&](std::uint8_t* o) { compc.Get<BufferExpandOutFirst>("ExpandLZ")(o, in.data(), size, type + 1); });
        run("TarvoRessExpandLZEntry", [&](std::uint8_t* o) {
            compc.Get<BufferExpandOutFirst>("TarvoRessExpandLZEntry")(o, in.data(), size, type);
        });
        run("TarvoRessExpandLZEntryFixed", [&](std::uint8_t* o) {
            compc.Get<BufferExpandOutFirst>("TarvoRessExpandLZEntryFixed")(o, in.data(), size, type);
        });
        if (type == 2) {
            run("Expand_LZMIT",
                [&](std::uint8_t* o) { comp.Get<BufferExpandInFirst>("Expand_LZMIT")(in.data(), o, size); });
            run("Mit_UnCompress_Lzss",
                [&](std::uint8_t* o) { comp.Get<BufferExpandInFirst>("Mit_UnCompress_Lzss")(in.data(), o, size); });
        }
        TempDir dir;
        WriteBytes(dir.file("in"), stream);
        comp.Get<FileExpand4>("ExpandTarvo")(dir.file("in").c_str(), dir.file("tarvo").c_str(), size, type);
        EXPECT_EQ(ReadBytes(dir.file("tarvo")), want) << "ExpandTarvo";
        EXPECT_EQ(compc.Get<FileExpand4>("ExpandQuenda")(dir.file("in").c_str(), dir.file("quenda").c_str(), size,
                                                         type),
                  1);
        EXPECT_EQ(ReadBytes(dir.file("quenda")), want) << "ExpandQuenda";
        EXPECT_EQ(compc.Get<FileFn3>("ExpandHOLZSS")(dir.file("in").c_str(), dir.file("holzss").c_str(), type), 1);
        EXPECT_EQ(ReadBytes(dir.file("holzss")), want) << "ExpandHOLZSS";
    }

    Bytes Compress(const char* name, const Bytes& in, std::int32_t* result = nullptr) {
        Bytes out(in.size() * 2 + 1);
        std::int32_t r = comp.Get<BufferCompress>(name)(in.data(), out.data(), static_cast<std::int32_t>(in.size()));
        if (result) *result = r;
        out.resize(r > 0 ? static_cast<std::size_t>(r) : 0);
        return out;
    }
};

Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int x : v) out.push_back(static_cast<std::uint8_t>(x));
    return out;
}

Bytes S(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST_F(TarvoLibraries, WorkedExamplesDecodeAlikeEverywhere) {
    ExpectEveryDecoderGives(B({0x17, 0x61, 0x62, 0x63, 0x23, 0x00, 0x58}), 10, 2, S("abcabcabcX"));
    ExpectEveryDecoderGives(B({0x17, 0x61, 0x62, 0x63, 0x24, 0x00, 0x58}), 10, 1, S("abcabcabcX"));
    ExpectEveryDecoderGives(B({0x01, 0x41, 0x01, 0x00}), 5, 2, S("AAAAA"));
    ExpectEveryDecoderGives(B({0x01, 0x41, 0x01, 0x00}), 4, 1, S("AAAA"));
    // Distance 3, length 17 repeats the 3-byte pattern.
    ExpectEveryDecoderGives(B({0x07, 'x', 'y', 'z', 0x2E, 0x00}), 20, 2, S("xyzxyzxyzxyzxyzxyzxy"));
    ExpectEveryDecoderGives(B({0x07, 'x', 'y', 'z', 0x2F, 0x00}), 20, 1, S("xyzxyzxyzxyzxyzxyzxy"));
}

TEST_F(TarvoLibraries, EncoderStreamsDecodeAlikeEverywhere) {
    for (const auto& path : testing_support::CorpusFiles()) {
        Bytes data = ReadBytes(path);
        if (data.size() > 64 * 1024) data.resize(64 * 1024);
        SCOPED_TRACE(path.filename().string());
        std::int32_t r1, r2;
        Bytes s1 = Compress("Compress_LZSS", data, &r1);
        if (r1 < static_cast<std::int32_t>(data.size()))
            ExpectEveryDecoderGives(s1, static_cast<std::int32_t>(data.size()), 1, data);
        Bytes s2 = Compress("Compress_LZMIT", data, &r2);
        if (r2 >= 0) ExpectEveryDecoderGives(s2, static_cast<std::int32_t>(data.size()), 2, data);
        Bytes s3 = Compress("Compress_LZMIT_C", data, &r2);
        if (r2 >= 0) ExpectEveryDecoderGives(s3, static_cast<std::int32_t>(data.size()), 2, data);
    }
}

TEST_F(TarvoLibraries, SecondBuildsOfTheEncoders) {
    const Bytes data = ReadBytes(testing_support::CorpusFiles().front());
    EXPECT_EQ(Compress("Compress_LZSS", data), Compress("Compress_LZSS_C", data));
    std::int32_t a, b;
    Compress("Compress_LZMIT", data, &a);
    Compress("Compress_LZMIT_C", data, &b);
    EXPECT_EQ(a < 0, b < 0);
}

TEST_F(TarvoLibraries, TypeOneStreamDoesNotDependOnEarlierCalls) {
    const Bytes small = S("abracadabra abracadabra");
    const Bytes before = Compress("Compress_LZSS", small);
    Compress("Compress_LZSS", testing_support::RandomBytes(30000, 4));
    EXPECT_EQ(Compress("Compress_LZSS", small), before);
    EXPECT_EQ(Compress("Compress_LZSS_C", small), before);
}

TEST_F(TarvoLibraries, FixedEntryDecoderTakesTheLow16BitsOfTheType) {
    Bytes in = B({0x01, 0x41, 0x01, 0x00});
    in.resize(64, 0);
    Bytes out(5, 0);
    compc.Get<BufferExpandOutFirst>("TarvoRessExpandLZEntryFixed")(out.data(), in.data(), 5, 0x10002);
    EXPECT_EQ(out, S("AAAAA"));
}

TEST_F(TarvoLibraries, ExpandTarvoTypeZeroCopiesTheFirstBytes) {
    TempDir dir;
    WriteBytes(dir.file("in"), S("0123456789"));
    EXPECT_EQ(comp.Get<FileExpand4>("ExpandTarvo")(dir.file("in").c_str(), dir.file("out").c_str(), 4, 0), 0);
    EXPECT_EQ(ReadBytes(dir.file("out")), S("0123"));
}

TEST_F(TarvoLibraries, CompressTarvoWritesTheStreamOrNothing) {
    TempDir dir;
    const Bytes text = S(std::string(200, 'z') + "tail of the text, tail of the text");
    WriteBytes(dir.file("in"), text);
    auto compressTarvo = comp.Get<FileFn3>("CompressTarvo");
    EXPECT_EQ(compressTarvo(dir.file("in").c_str(), dir.file("t1").c_str(), 1), 0);
    EXPECT_EQ(ReadBytes(dir.file("t1")), Compress("Compress_LZSS", text));
    EXPECT_EQ(compressTarvo(dir.file("in").c_str(), dir.file("t2").c_str(), 2), 0);
    EXPECT_EQ(ReadBytes(dir.file("t2")), Compress("Compress_LZMIT", text));
    EXPECT_EQ(compressTarvo(dir.file("in").c_str(), dir.file("t0").c_str(), 0), 0);
    EXPECT_EQ(ReadBytes(dir.file("t0")), text);
    // Data that does not shrink leaves an empty file, never a partial stream.
    WriteBytes(dir.file("short"), S("abc"));
    compressTarvo(dir.file("short").c_str(), dir.file("s2").c_str(), 2);
    EXPECT_TRUE(ReadBytes(dir.file("s2")).empty());
    compressTarvo(dir.file("short").c_str(), dir.file("s1").c_str(), 1);
    EXPECT_TRUE(ReadBytes(dir.file("s1")).empty());
}

TEST_F(TarvoLibraries, FileFunctionsReportMissingFiles) {
    TempDir dir;
    const std::string missing = dir.file("missing");
    const std::string out = dir.file("out");
    EXPECT_EQ(compc.Get<FileFn3>("ExpandHOLZSS")(missing.c_str(), out.c_str(), 2), 0);
    EXPECT_EQ(compc.Get<FileExpand4>("ExpandQuenda")(missing.c_str(), out.c_str(), 10, 2), 0);
    comp.Get<FileExpand4>("ExpandTarvo")(missing.c_str(), out.c_str(), 10, 2);
    comp.Get<FileFn3>("CompressTarvo")(missing.c_str(), out.c_str(), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    WriteBytes(dir.file("in"), S("data"));
    const std::string unwritable = dir.file("no/such/folder/out");
    EXPECT_EQ(compc.Get<FileFn3>("ExpandHOLZSS")(dir.file("in").c_str(), unwritable.c_str(), 2), 0);
    EXPECT_EQ(compc.Get<FileExpand4>("ExpandQuenda")(dir.file("in").c_str(), unwritable.c_str(), 4, 2), 0);
}

TEST_F(TarvoLibraries, HOLZSSWithAnotherTypeWritesNothing) {
    TempDir dir;
    WriteBytes(dir.file("in"), B({0x01, 0x41, 0x01, 0x00}));
    EXPECT_EQ(compc.Get<FileFn3>("ExpandHOLZSS")(dir.file("in").c_str(), dir.file("out").c_str(), 3), 1);
    EXPECT_TRUE(ReadBytes(dir.file("out")).empty());
}

TEST_F(TarvoLibraries, HostileArgumentsAreRefused) {
    Bytes buf(64, 0);
    for (const char* name : {"Compress_LZSS", "Compress_LZSS_C", "Compress_LZMIT", "Compress_LZMIT_C"}) {
        auto fn = comp.Get<BufferCompress>(name);
        EXPECT_EQ(fn(nullptr, buf.data(), 10), -1) << name;
        EXPECT_EQ(fn(buf.data(), nullptr, 10), -1) << name;
        EXPECT_EQ(fn(buf.data(), buf.data() + 32, -1), -1) << name;
        EXPECT_EQ(fn(nullptr, nullptr, 0), 0) << name;
    }
    Bytes out(8, 0xCD);
    for (Library* lib : {&comp, &compc}) {
        auto expand = lib->Get<BufferExpandOutFirst>("ExpandLZ");
        expand(nullptr, buf.data(), 8, 3);
        expand(out.data(), nullptr, 8, 3);
        expand(out.data(), buf.data(), -8, 3);
        expand(out.data(), buf.data(), 8, 0);   // no length bias: nothing to decode
        expand(out.data(), buf.data(), 8, -7);
    }
    comp.Get<BufferExpandInFirst>("Expand_LZMIT")(nullptr, out.data(), 8);
    comp.Get<BufferExpandInFirst>("Mit_UnCompress_Lzss")(buf.data(), nullptr, 8);
    compc.Get<BufferExpandOutFirst>("TarvoRessExpandLZEntry")(out.data(), buf.data(), 8, -1);
    EXPECT_EQ(out, Bytes(8, 0xCD));
    EXPECT_EQ(comp.Get<FileExpand4>("ExpandTarvo")(nullptr, nullptr, 4, 1), 0);
    EXPECT_EQ(compc.Get<FileFn3>("ExpandHOLZSS")(nullptr, nullptr, 1), 0);
    EXPECT_EQ(compc.Get<FileExpand4>("ExpandQuenda")(nullptr, nullptr, 4, 1), 0);
    // Decode without an open file pair does nothing.
    compc.Get<DecodeTyped>("Decode")(1);
}

TEST_F(TarvoLibraries, BufferDecodersStopAtADistanceBeforeTheOutput) {
    Bytes in = B({0x01, 0x41, 0x10, 0x00});  // distance 2 after one byte
    in.resize(64, 0);
    Bytes out(8, 0xCD);
    comp.Get<BufferExpandOutFirst>("ExpandLZ")(out.data(), in.data(), 6, 3);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(out[6], 0xCD);
    EXPECT_EQ(out[7], 0xCD);
}

}  // namespace
