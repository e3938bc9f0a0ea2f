#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <regex>

#include "app/hex_window.h"
#include "app/windows.h"
#include "archive/load.h"
#include "archive/program_directory.h"
#include "hexedit/texts.h"
#include "app/app_fixtures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Bytes;

// SAMPLE.HQR (item 0 stored, item 1 compressed) and the hex windows the
// main window opens on its items.
class HexWindowTest : public ::testing::Test {
protected:
    void SetUp() override { services.Doc.OpenAtStart(testing_support::SamplePath("SAMPLE.HQR")); }
    QList<app::HexWindow*> Windows() { return services.Widget.findChildren<app::HexWindow*>(); }
    app::HexWindow* Open(std::int32_t item, app::HexOpenMode mode) {
        app::ShowHexWindow(services, item, mode);
        return Windows().isEmpty() ? nullptr : Windows().back();
    }
    Bytes Decompressed(std::int32_t item) {
        const archive::ItemRecord& record = services.Table_[item];
        Bytes out;
        archive::ExpandCompressedFile(record.Data, out, record.DecompressedSize, record.CompressionType,
                                      services.Methods());
        return out;
    }
    // The write-back's temporary file goes to the test's own folder: other
    // tests running beside this one write theirs to the program directory.
    bool TemporaryFileLeft() const {
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind("DUMMY4", 0) == 0) return true;
        return false;
    }
    void TearDown() override { archive::SetTemporaryDirectory(""); }

    testing_support::TempDir dir;
    testing_support::FakeServices services;
};

// The write-back goes through the replace operation: the item holds exactly
// the edited bytes, compressed with its own type; the archive is marked
// modified without a script line, and no temporary file stays.
TEST_F(HexWindowTest, WriteBackReplacesTheDecompressedBytesAndKeepsTheItemsFields) {
    services.Table_[1].SourceFile = "/data/map.bin";
    const archive::ItemRecord before = services.Table_[1];
    const Bytes text = Decompressed(1);
    app::HexWindow* window = Open(1, app::HexOpenMode::Edit);
    ASSERT_TRUE(window);
    auto* box = window->findChild<QLineEdit*>("txbEdit");
    QTest::keyClicks(box, "41");
    QTest::keyClick(box, Qt::Key_PageDown, Qt::ShiftModifier);
    QTest::keyClicks(box, "5a");
    Bytes expected = text;
    expected[0] = 0x41;
    expected[511] = 0x5A;
    const std::string script = services.Table_.RecordedScript;

    services.Dialogs.Answers = {shell::Answer::Yes};
    archive::SetTemporaryDirectory(dir.path().string());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(services.Dialogs.Messages.back(), hexedit::kWriteBackQuestion);
    EXPECT_EQ(Decompressed(1), expected);
    const archive::ItemRecord& item = services.Table_[1];
    EXPECT_EQ(item.CompressionType, before.CompressionType);
    EXPECT_LT(item.CompressedSize, item.DecompressedSize);
    EXPECT_EQ(item.SourceFile, before.SourceFile);
    EXPECT_EQ(item.Extension, before.Extension);
    EXPECT_TRUE(services.Doc.IsModified());
    EXPECT_EQ(services.Selected, 1);
    EXPECT_EQ(services.Table_.RecordedScript, script);
    EXPECT_FALSE(TemporaryFileLeft());
}

// Every answer to the two questions over changed bytes: on closing (write
// them back into the item) and on opening another file (save them to a
// file first). Only the answer's choice is written, and the window goes on
// only when nothing is lost.
TEST_F(HexWindowTest, EveryAnswerToItsQuestions) {
    using shell::Answer;
    struct Case {
        const char* button;                 // "" = close the window
        Answer answer;
        std::optional<std::string> saveAs;  // the Save to file dialog's answer ("" = cancelled)
        bool fails;                         // the write-back's folder is gone
        bool goesOn, written;               // the item (closing) or saved.bin (opening) holds the change
    };
    const Case cases[] = {
        {"", Answer::Cancel, {}, false, false, false},            {"", Answer::No, {}, false, true, false},
        {"", Answer::Yes, {}, true, false, false},                {"", Answer::Yes, {}, false, true, true},
        {"cmdFileOpen", Answer::Cancel, {}, false, false, false}, {"cmdFileOpen", Answer::No, {}, false, true, false},
        {"cmdFileOpen", Answer::Yes, "", false, false, false},
        {"cmdFileOpen", Answer::Yes, "saved.bin", false, true, true},
    };
    const std::string other = dir.write("other.bin", "other");
    const std::string programDirectory = archive::ProgramDirectory();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + std::to_string(static_cast<int>(c.answer)) + (c.fails ? " fails" : ""));
        archive::LoadArchive(services.Table_, testing_support::SamplePath("SAMPLE.HQR"));
        app::HexWindow* window = Open(0, app::HexOpenMode::Edit);
        ASSERT_TRUE(window);
        QTest::keyClicks(window->findChild<QLineEdit*>("txbEdit"), "4f");  // over a 00
        services.Dialogs.Answers = {c.answer};
        if (*c.button) services.Dialogs.Files.push_back(other);
        if (c.saveAs) services.Dialogs.Files.push_back(c.saveAs->empty() ? std::nullopt : std::optional(dir.file(*c.saveAs)));
        if (c.fails) archive::SetProgramDirectory(dir.file("missing"));
        if (*c.button) {
            window->findChild<QPushButton*>(c.button)->click();
            EXPECT_EQ(window->Model().FileSpec() == other, c.goesOn);
            EXPECT_EQ(fs::exists(dir.file("saved.bin")) && testing_support::ReadBytes(dir.file("saved.bin"))[0] == 0x4F,
                      c.written);
        } else {
            EXPECT_EQ(window->close(), c.goesOn);
        }
        archive::SetProgramDirectory(programDirectory);
        EXPECT_TRUE(services.Dialogs.Answers.empty() && services.Dialogs.Files.empty());
        EXPECT_EQ(services.Table_[0].Data[0], !*c.button && c.written ? 0x4F : 0);
        delete window;
    }
}

// Delete edits the go-to and search boxes; a character search for a
// character that has no Latin-1 byte is refused, not turned into "?".
TEST_F(HexWindowTest, BoxesTakeDeleteAndTheCharacterSearchRefusesWhatItCannotFind) {
    app::HexWindow* window = Open(0, app::HexOpenMode::View);
    ASSERT_TRUE(window);
    for (const char* name : {"txbGoTo", "txbSearch"}) {
        auto* box = window->findChild<QLineEdit*>(name);
        box->setText("123");
        box->setCursorPosition(0);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(box->text(), "23") << name;
    }
    window->findChild<QRadioButton*>("OptSearch1")->click();
    window->findChild<QLineEdit*>("txbSearch")->setText(QString::fromUtf8("\u20ACuro"));
    window->findChild<QPushButton*>("cmdSearchOrFindNext")->click();
    ASSERT_EQ(services.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(services.Dialogs.Messages[0], hexedit::kNotLatin1SearchText);
    EXPECT_EQ(window->Model().LastFound(), 0);
}

// Save to file from an item's window proposes a name beside the archive.
TEST_F(HexWindowTest, SaveToFileProposesTheArchiveItemAndExtension) {
    services.FileName = "/games/SAMPLE.HQR";
    app::HexWindow* window = Open(1, app::HexOpenMode::View);
    ASSERT_TRUE(window);
    services.Dialogs.Files = {std::nullopt};
    window->findChild<QPushButton*>("cmdSave")->click();
    ASSERT_EQ(services.Dialogs.Requests.size(), 1u);
    EXPECT_EQ(services.Dialogs.Requests[0].InitialPath, "/games/SAMPLE-item1.map");
}

TEST_F(HexWindowTest, PrintsTheCurrentPageAsOnePage) {
    app::HexWindow* window = Open(0, app::HexOpenMode::View);
    ASSERT_TRUE(window);
    const std::string pdf = dir.file("page.pdf");
    window->SetPrinterSetup([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    window->findChild<QPushButton*>("cmdPrintPage")->click();
    const std::string content = testing_support::FileText(pdf);
    const std::regex page("/Type /Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(content.begin(), content.end(), page), std::sregex_iterator()), 1);
    EXPECT_TRUE(services.Dialogs.Messages.empty());
}

}  // namespace
