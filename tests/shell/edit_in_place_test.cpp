#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/scripted_dialogs.h"
#include "archive/dispatcher.h"
#include "archive/item_operations.h"
#include "archive/save.h"
#include "shell/edit_in_place.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using shell::Answer;
using testing_support::ToBytes;

TEST(ItemFileName, ArchiveItemAndExtension) {
    EXPECT_EQ(shell::ItemFileName("/games/SAMPLE.HQR", 1, "MAP"), "SAMPLE-item1.map");
    EXPECT_EQ(shell::ItemFileName("/games/voices.en.vox", 12, "wav"), "voices.en-item12.wav");
    EXPECT_EQ(shell::ItemFileName("", 3, ""), "Untitled-item3");
}

// The folder is private, goes with its owner, and a later start removes
// what a run that is gone left behind, never a running one's.
TEST(ViewFolder, PrivateRemovedAtUnloadAndLeftoversAtTheNextStart) {
    testing_support::TempDir dir;
    const std::string base = dir.path().string();
    std::string path;
    {
        shell::ViewFolder folder(base);
        path = folder.Path();
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        ASSERT_EQ(::stat(fs::path(path).parent_path().parent_path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        testing_support::WriteBytes(path + "SAMPLE-item1.map", ToBytes("x"));
    }
    EXPECT_FALSE(fs::exists(path));

    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);  // a program that has ended
    shell::ViewFolder running(base);
    const fs::path user = fs::path(running.Path()).parent_path().parent_path();
    const fs::path left = user / ("view-" + std::to_string(child) + "-abcdef");
    fs::create_directories(left / "sub");
    shell::ViewFolder::RemoveLeftovers(base);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(running.Path()));
}

// A view of item 1 of a small stored archive, its file, and what a change
// of the file leads to with each answer.
struct ViewFixture {
    ViewFixture() {
        doc.New();
        doc.Change("Add items", 0, [&] {
            for (int i = 0; i < 3; ++i)
                archive::AddItem(doc.Table(), i, dir.write("in" + std::to_string(i) + ".map", std::string(40, char('a' + i))),
                                 0, {});
            return 1;
        });
        path = views.View(doc, 1, "/g/SAMPLE.HQR", "mapedit", "/p/DUMMY.MAP");
    }
    bool Check() { return views.CheckView(path, dialogs, "Tarvo Resource Manager", doc); }

    testing_support::TempDir dir;
    testing_support::ScriptedDialogs dialogs;
    shell::RecentFileList recent;
    shell::ArchiveDocument doc{dialogs, recent, [] { return archive::MethodSettings{}; }};
    shell::ItemViews views{dir.path().string()};
    std::string path;
};

TEST(ItemViews, TheFileHasARecognisableNameAndEachItemOneView) {
    ViewFixture f;
    EXPECT_EQ(fs::path(f.path).filename(), "SAMPLE-item1.map");
    EXPECT_EQ(testing_support::ReadBytes(f.path), ToBytes(std::string(40, 'b')));
    EXPECT_EQ(f.doc.Table().RecordedScript, "NEW\r\nEXT 1 \"/p/DUMMY.MAP\"\r\n");
    f.views.View(f.doc, 2, "/g/SAMPLE.HQR", "mapedit", "/p/DUMMY.MAP");
    testing_support::WriteBytes(f.path, ToBytes("changed"));
    f.views.View(f.doc, 1, "/g/SAMPLE.HQR", "mapedit", "/p/DUMMY.MAP");
    ASSERT_EQ(f.views.Views().size(), 2u);  // viewing item 1 again replaced its view
    EXPECT_EQ(testing_support::ReadBytes(f.path), ToBytes(std::string(40, 'b')));
}

// Each answer to the question, and the item that changed since the view
// began: the question is asked once per new content of the file, and a
// put-back is one step of the history.
TEST(ItemViews, EachAnswerAndAnItemChangedSinceTheView) {
    struct Case {
        const char* name;
        bool changeItemFirst;
        Answer answer;
        bool putBack;
        const char* message;  // the second message shown, "" for none
    };
    const Case cases[] = {
        {"yes", false, Answer::Yes, true, ""},
        {"no", false, Answer::No, false, ""},
        {"item changed", true, Answer::Yes, false, "has changed in the archive since it was viewed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewFixture f;
        EXPECT_FALSE(f.Check());  // nothing changed yet: nothing asked
        EXPECT_TRUE(f.dialogs.Messages.empty());
        if (c.changeItemFirst)
            f.doc.RunItemOperation(1, archive::kOpReplaceItem, 0, f.dir.write("other.map", "zz"), 0, 2);
        const archive::Bytes before = f.doc.Table()[1].Data;
        const std::string undo = f.doc.UndoText();
        testing_support::WriteBytes(f.path, ToBytes("NEW BYTES"));
        f.dialogs.Answers.push_back(c.answer);
        EXPECT_EQ(f.Check(), c.putBack);
        ASSERT_GE(f.dialogs.Messages.size(), 1u);
        EXPECT_EQ(f.dialogs.Messages[0],
                  "Item 1 has been changed in mapedit. Do you want to save the changes into the archive?");
        if (*c.message) {
            ASSERT_EQ(f.dialogs.Messages.size(), 2u);
            EXPECT_NE(f.dialogs.Messages[1].find(c.message), std::string::npos);
            EXPECT_NE(f.dialogs.Messages[1].find(f.path), std::string::npos);
            EXPECT_TRUE(fs::exists(f.path));
        }
        EXPECT_EQ(f.doc.Table()[1].Data, c.putBack ? ToBytes("NEW BYTES") : before);
        EXPECT_EQ(f.doc.Table()[1].Extension, "MAP");
        EXPECT_EQ(f.doc.UndoText(), c.putBack ? "Undo Put back item 1" : undo);
        EXPECT_FALSE(f.Check());  // the same content again: no second question
        testing_support::WriteBytes(f.path, ToBytes("LATER"));
        f.dialogs.Answers.push_back(Answer::Yes);
        // After Yes the next change goes on from the item as it is now; after
        // No the view still stands; a stale view stays stale.
        EXPECT_EQ(f.Check(), !c.changeItemFirst);
    }
}

}  // namespace
