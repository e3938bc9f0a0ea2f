// orvane-cli run and compare, driven as a user drives them: through the
// built program, its output and its exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/dispatcher.h"
#include "archive/error.h"
#include "archive/load.h"
#include "archive/save.h"
#include "script/script_fixture.h"

namespace {

namespace fs = std::filesystem;
using script_test::StoredArchive;
using script_test::ThreeItemArchive;
using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::ToBytes;
using testing_support::WriteBytes;

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

class OrvaneCli : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = testing_support::BinDir() + "/orvane-cli";
        if (!fs::exists(program_)) GTEST_SKIP() << "orvane-cli is not built";
    }

    CliResult Run(const std::vector<std::string>& args) {
        std::string command = ShellQuote(program_);
        for (const auto& a : args) command += " " + ShellQuote(a);
        command += " >" + ShellQuote(dir_.file("stdout")) + " 2>" + ShellQuote(dir_.file("stderr"));
        CliResult r;
        int raw = std::system(command.c_str());
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        auto text = [](const std::string& path) {
            Bytes b = ReadBytes(path);
            return std::string(b.begin(), b.end());
        };
        r.Out = text(dir_.file("stdout"));
        r.Err = text(dir_.file("stderr"));
        return r;
    }

    std::string Script(const std::string& text) {
        std::string path = dir_.file("script.ovs");
        WriteBytes(path, ToBytes(text));
        return path;
    }

    std::string Q(const std::string& path) { return "\"" + path + "\""; }

    // The peak resident size in MB of the program run with args, its output
    // discarded; -1 when it did not succeed.
    double PeakMegabytes(std::vector<std::string> args) {
        args.insert(args.begin(), program_);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed) return -1;
        int status = 0;
        rusage usage{};
        if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
        return static_cast<double>(usage.ru_maxrss) / 1024.0;
    }

    TempDir dir_;
    std::string program_;
};

TEST_F(OrvaneCli, RunCreatesItsOwnArchive) {
    WriteBytes(dir_.file("item.dat"), ToBytes("payload"));
    auto r = Run({"run", Script("NEW\r\nADD 0 0 " + Q(dir_.file("item.dat")) + "\r\nSVA " + Q(dir_.file("N.HQR")))});
    EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
    EXPECT_EQ(r.Out, "");
    archive::ItemTable table;
    archive::LoadArchive(table, dir_.file("N.HQR"));
    ASSERT_EQ(table.ItemCount, 1);
    EXPECT_EQ(table[0].Data, ToBytes("payload"));
}

TEST_F(OrvaneCli, RunPrintsTheLogAndFailsOnErrors) {
    auto r = Run({"run", Script("NEW\r\nfoo\r\nDEL 0\r\n")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out,
              "Unknown identifier: FOO(Line #2)\nExternal Error: Invalid .HQR item number\n"
              "Warning: At least a part of the script has no effect\n");
    // A warning alone is no failure.
    r = Run({"run", Script("# nothing\r\n")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "Warning: At least a part of the script has no effect\n");
    r = Run({"run", Script("DEL 0\r\n")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "Fatal Error: Trying to perform an item operation, when no archive has been created, or "
                     "opened (Line #1)\n");
    r = Run({"run", dir_.file("missing.ovs")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "External Error: File not found: " + Q(dir_.file("missing.ovs")) + "\n");
}

// Pointers share their target's bytes: an archive of many pointers to one
// item opens again, and loading it takes memory in proportion to the file.
TEST_F(OrvaneCli, ManyPointersToOneItemSaveAndOpenAgain) {
    const std::string item = dir_.write("item.bin", std::string(4096, 'x'));
    const std::string big = dir_.file("BIG.HQR");
    auto r = Run({"run", Script("NEW\r\nADD 0 0 " + Q(item) + "\r\nAMP 1 0 99999\r\nSVA " + Q(big) + "\r\n")});
    ASSERT_EQ(r.Status, 0) << r.Out << r.Err;
    // What loading takes: beyond the program itself (and a sanitizer's own
    // memory), measured on an empty archive.
    WriteBytes(dir_.file("EMPTY.HQR"), Bytes{4, 0, 0, 0});
    const double program = PeakMegabytes({"info", dir_.file("EMPTY.HQR")}), loaded = PeakMegabytes({"info", big});
    EXPECT_GT(program, 0);
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded - program, 50);
    r = Run({"list", big});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("99999  See item 0"), std::string::npos);
}

TEST_F(OrvaneCli, RunOnAnArchiveSavesUnderItsNameOrANewOne) {
    WriteBytes(dir_.file("A.HQR"), ThreeItemArchive());
    auto r = Run({"run", Script("DEL 0\r\nSAV\r\n"), "--archive", dir_.file("A.HQR")});
    EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadBytes(dir_.file("A.HQR")), StoredArchive({Bytes(6, 'B'), Bytes(2, 'C')}));

    WriteBytes(dir_.file("B.HQR"), ThreeItemArchive());
    r = Run({"run", Script("DEL 2\r\nSVA " + Q(dir_.file("C.HQR")) + "\r\nDEL 0\r\nSAV\r\n"),
             "--archive=" + dir_.file("B.HQR")});
    EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
    EXPECT_EQ(ReadBytes(dir_.file("B.HQR")), ThreeItemArchive());
    EXPECT_EQ(ReadBytes(dir_.file("C.HQR")), StoredArchive({Bytes(6, 'B')}));

    // With an archive open a script may not open another.
    r = Run({"run", Script("OPN " + Q(dir_.file("C.HQR"))), "--archive", dir_.file("B.HQR")});
    EXPECT_EQ(r.Status, 1);
    // Unsaved changes are lost, and the program says so.
    r = Run({"run", Script("DEL 0\r\n"), "--archive", dir_.file("B.HQR")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Err.find("was not saved"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir_.file("B.HQR")), ThreeItemArchive());
}

TEST_F(OrvaneCli, RunUsage) {
    EXPECT_EQ(Run({"run"}).Status, 2);
    EXPECT_EQ(Run({"run", "a.ovs", "b.ovs"}).Status, 2);
    EXPECT_EQ(Run({"run", "a.ovs", "--archive"}).Status, 2);
    EXPECT_EQ(Run({"run", "a.ovs", "--archive="}).Status, 2);
    EXPECT_EQ(Run({"run", "a.ovs", "--bogus"}).Status, 2);
    auto r = Run({"run", Script("SAV\r\n"), "--archive", dir_.file("none.HQR")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Specified file not found"), std::string::npos) << r.Err;
    EXPECT_EQ(Run({"run", "--help"}).Status, 0);
}

// The replay through the program: the recording, without its OPN line,
// run on a copy of the original and saved there, equals the recorded result.
TEST_F(OrvaneCli, RunReplaysARecordingOnACopy) {
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(dir_.file("src" + std::to_string(i) + ".txt"));
        std::string text;
        for (int k = 0; k < 20 * (i + 1); ++k) text += "line " + std::to_string(k % 5) + " of a source file\n";
        WriteBytes(sources.back(), ToBytes(text));
    }
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        Bytes original = StoredArchive({Bytes(30, 'x'), testing_support::RandomBytes(40, seed), Bytes(9, 'z')});
        WriteBytes(dir_.file("ORIG.HQR"), original);
        archive::ItemTable table;
        archive::LoadArchive(table, dir_.file("ORIG.HQR"));
        archive::OperationContext context(table);
        for (int step = 0; step < 8; ++step) {
            std::int32_t n = table.ItemCount;
            std::int32_t item = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(n + 1));
            std::uint8_t codes[] = {2, 3, 4, 6, 7, 8, 9, 11, 12};
            std::uint8_t code = codes[rng() % std::size(codes)];
            std::int32_t number = code == 2 || code == 4 || code == 6 ? static_cast<std::int32_t>(rng() % 3)
                                                                      : static_cast<std::int32_t>(rng() % (n + 1));
            if (code == 12) number = static_cast<std::int32_t>(rng() % 3);
            try {
                archive::ItemOperation(context, item, code, number, sources[rng() % sources.size()],
                                       static_cast<std::int32_t>(rng() % 3));
            } catch (const archive::Error&) {
            }
        }
        Bytes expected;
        try {
            expected = archive::SerializeArchive(table);
        } catch (const archive::Error&) {
            continue;  // not savable either way
        }
        std::string script = table.RecordedScript.substr(table.RecordedScript.find("\r\n") + 2) + "SAV\r\n";
        WriteBytes(dir_.file("COPY.HQR"), original);
        auto r = Run({"run", Script(script), "--archive", dir_.file("COPY.HQR")});
        EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
        EXPECT_EQ(ReadBytes(dir_.file("COPY.HQR")), expected) << script;
        ++compared;
    }
    EXPECT_GT(compared, 3);
}

TEST_F(OrvaneCli, CompareExitStatusAndRows) {
    WriteBytes(dir_.file("A.HQR"), ThreeItemArchive());
    WriteBytes(dir_.file("B.HQR"), ThreeItemArchive());
    auto r = Run({"compare", dir_.file("A.HQR"), dir_.file("B.HQR")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("Item 2: Compression type match\n"), std::string::npos) << r.Out;

    WriteBytes(dir_.file("C.HQR"), StoredArchive({Bytes(4, 'A'), Bytes(7, 'B')}));
    r = Run({"compare", "--json", dir_.file("A.HQR"), dir_.file("C.HQR")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out.rfind("{\"match\": false, \"rows\": [", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("{\"archive1\": \"00000010\", \"archive2\": \"0000000C\", \"result\": \"Mismatch\"}"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\"archive1\": \"Item\", \"archive2\": \"EOF\""), std::string::npos) << r.Out;

    r = Run({"compare", dir_.file("A.HQR"), dir_.file("none.HQR")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "orvane-cli: Specified file not found: '" + dir_.file("none.HQR") + "'\n");
    EXPECT_EQ(Run({"compare", dir_.file("A.HQR")}).Status, 2);
    EXPECT_EQ(Run({"compare", "--xml", dir_.file("A.HQR"), dir_.file("B.HQR")}).Status, 2);
}

}  // namespace
