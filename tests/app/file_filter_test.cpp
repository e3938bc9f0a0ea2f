#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <functional>

#include "app/qt_dialogs.h"
#include "shell/dialogs.h"
#include "shell/options.h"
#include "support/test_support.h"

// The open dialog must find archives whatever the case of their names, and
// "*.*" must list files without a dot too.
TEST(FileFilters, MatchWithoutRegardToCase) {
    EXPECT_TRUE(shell::MatchesFilePattern("*.hqr", "SAMPLE.HQR"));
    EXPECT_TRUE(shell::MatchesFilePattern("*.*", "README"));
    EXPECT_FALSE(shell::MatchesFilePattern("*.hqr", "SAMPLE.HQS"));
    EXPECT_EQ(app::QtNameFilters("Tarvo Archives (*.hqr;*.vox)|*.hqr;*.vox|All files (*.*)|*.*"),
              QStringList({"Tarvo Archives (*.hqr;*.vox) (*.hqr *.vox)", "All files (*.*) (*)"}));
}

namespace {

// Runs each step, in order, on the next modal window that comes up. A file
// dialog still reading its folder can miss what a step did to it: a window
// still up a second after its step gets the step again, and after three
// tries is rejected, so the test fails instead of hanging.
class ModalSteps : public QObject {
public:
    explicit ModalSteps(std::deque<std::function<void(QWidget*)>> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (running_) return;  // a step waiting in its own event loop
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal == last_) {
                if (++ticks_ < 50) return;
                ticks_ = 0;
                if (++tries_ < 3) Run(modal);
                else if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
                return;
            }
            if (!modal || steps_.empty()) return;
            last_ = modal;
            ticks_ = tries_ = 0;
            current_ = std::move(steps_.front());
            steps_.pop_front();
            Run(modal);
        });
        timer_.start(20);
    }
    bool Done() const { return steps_.empty(); }

private:
    void Run(QWidget* modal) {
        running_ = true;
        current_(modal);
        running_ = false;
    }

    std::deque<std::function<void(QWidget*)>> steps_;
    std::function<void(QWidget*)> current_;
    bool running_ = false;
    QWidget* last_ = nullptr;
    int ticks_ = 0, tries_ = 0;
    QTimer timer_;
};

}  // namespace

// Paths are shown as the file system names them (UTF-8), in the text and in
// the title; Latin-1 text that is no UTF-8 stays Latin-1.
TEST(QtDialogs, MessagesShowPathsAsTheFileSystemNamesThem) {
    EXPECT_EQ(app::FromShown("caf\xC3\xA9.hqr"), QString::fromUtf8("caf\xC3\xA9.hqr"));
    EXPECT_EQ(app::FromShown("caf\xE9"), QString::fromUtf8("caf\xC3\xA9"));
    QWidget parent;
    app::QtDialogs dialogs(&parent);
    QString text, title;
    ModalSteps steps({[&](QWidget* box) {
        text = static_cast<QMessageBox*>(box)->text();
        title = box->windowTitle();
        static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
    }});
    const std::string path = "/tmp/caf\xC3\xA9.hqr";
    EXPECT_EQ(dialogs.Message("The file \"" + path + "\" has been modified.", "Tarvo Resource Manager - [" + path + "]",
                              shell::MessageIcon::Question, shell::MessageButtons::YesNoCancel),
              shell::Answer::No);
    EXPECT_EQ(text, QString::fromUtf8("The file \"/tmp/caf\xC3\xA9.hqr\" has been modified."));
    EXPECT_EQ(title, QString::fromUtf8("Tarvo Resource Manager - [/tmp/caf\xC3\xA9.hqr]"));
}

// A save dialog that requires an existing folder refuses a path in a missing
// one and stays open.
TEST(QtDialogs, SaveDialogRefusesAMissingFolder) {
    QWidget parent;
    app::QtDialogs dialogs(&parent);
    QString warning;
    ModalSteps steps({[](QWidget* dialog) {
                          // Typed, as a user does: selectFile races the folder being read.
                          dialog->findChild<QLineEdit*>("fileNameEdit")->setText("/no-such-folder/x.hqr");
                          static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Save button runs it
                      },
                      [&](QWidget* box) {
                          warning = static_cast<QMessageBox*>(box)->text();
                          static_cast<QMessageBox*>(box)->accept();
                      },
                      [](QWidget* dialog) { static_cast<QFileDialog*>(dialog)->reject(); }});
    EXPECT_FALSE(dialogs.SaveFile({"Save As", "All files (*.*)|*.*", "", true, false, true}));
    EXPECT_TRUE(steps.Done());
    EXPECT_TRUE(warning.contains("no-such-folder\r\nThe folder does not exist.")) << warning.toStdString();
}

// Viewer programs: the first filter lists the files with the execute bit
// (and folders), the second every file.
TEST(QtDialogs, ProgramFilterShowsFilesWithTheExecuteBit) {
    testing_support::TempDir dir;
    const std::string program = dir.write("mapview", "#!/bin/sh\n");
    ::chmod(program.c_str(), 0755);
    dir.write("notes.txt", "x");
    QWidget parent;
    app::QtDialogs dialogs(&parent);
    std::vector<QStringList> shown;
    // The names once `count` rows show (the folder is read in the background).
    auto names = [&](QFileDialog* dialog, int count) {
        auto* view = dialog->findChild<QListView*>("listView");
        QStringList list;
        (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= count; }, 3000);
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            list << view->model()->index(r, 0, view->rootIndex()).data().toString();
        list.sort();
        shown.push_back(list);
    };
    ModalSteps steps({[&](QWidget* widget) {
        auto* dialog = static_cast<QFileDialog*>(widget);
        names(dialog, 1);
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        types->setCurrentIndex(1);
        emit types->activated(1);  // as the user's choice does
        emit types->textActivated(types->currentText());
        names(dialog, 2);
        dialog->reject();
    }});
    shell::FileDialogRequest request{"Programs", shell::kViewerProgramFilter, program, false, true};
    request.ExecutablesFirst = true;
    EXPECT_FALSE(dialogs.OpenFile(request));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], QStringList({"mapview"}));
    EXPECT_EQ(shown[1], QStringList({"mapview", "notes.txt"}));
}
