#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <regex>

#include "app/hex_window.h"
#include "app/windows.h"
#include "archive/item_operations.h"
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
    static bool TemporaryFileLeft() {
        for (const auto& entry : fs::directory_iterator(archive::ProgramDirectory()))
            if (entry.path().filename().string().rfind("DUMMY4", 0) == 0) return true;
        return false;
    }

    testing_support::TempDir dir;
    testing_support::FakeServices services;
};

TEST_F(HexWindowTest, TypedDigitsChangeTheByteOnlyWhenTheEditPositionMoves) {
    app::HexWindow* window = Open(0, app::HexOpenMode::Edit);
    ASSERT_TRUE(window);
    auto* box = window->findChild<QLineEdit*>("txbEdit");
    QTest::keyClicks(box, "4f");
    EXPECT_EQ(box->text(), "4F");
    EXPECT_EQ(window->Model().ByteAt(1), Decompressed(0)[0]);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(window->Model().ByteAt(1), 0x4F);
    EXPECT_EQ(window->Model().EditPosition(), 2);
}

// The write-back goes through the replace operation: the item holds exactly
// the edited bytes, compressed with its own type; the archive is marked
// modified without a script line, and no temporary file stays. A failing
// write-back keeps the window and its changes.
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

    const std::string programDirectory = archive::ProgramDirectory();
    archive::SetProgramDirectory((dir.path() / "missing").string());
    services.Dialogs.Answers = {shell::Answer::Yes};
    EXPECT_FALSE(window->close());
    archive::SetProgramDirectory(programDirectory);
    EXPECT_TRUE(window->Model().Modified());
    EXPECT_EQ(Decompressed(1), text);

    services.Dialogs.Answers = {shell::Answer::Yes};
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

// After the table changed shape under the window, item 1 is another item:
// closing offers a file instead and the archive stays as it was.
TEST_F(HexWindowTest, AStaleWindowOffersAFileInsteadOfWritingIntoTheArchive) {
    app::HexWindow* window = Open(1, app::HexOpenMode::Edit);
    ASSERT_TRUE(window);
    auto* box = window->findChild<QLineEdit*>("txbEdit");
    QTest::keyClicks(box, "00");
    QTest::keyClick(box, Qt::Key_Right);
    services.RunItemOperation(0, archive::kOpRemoveItem, 0, "", 0);
    const archive::Bytes remaining = services.Table_[0].Data;

    services.Dialogs.Answers = {shell::Answer::No};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(services.Dialogs.Messages.back(), hexedit::kLoadQuestion);
    EXPECT_EQ(services.Table_[0].Data, remaining);
    EXPECT_EQ(services.Doc.HistorySteps(), 1u);
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
