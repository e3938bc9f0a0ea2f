#include <gtest/gtest.h>

#include "app/qt_dialogs.h"
#include "shell/dialogs.h"

// The open dialog must find archives whatever the case of their names, and
// "*.*" must list files without a dot too.
TEST(FileFilters, MatchWithoutRegardToCase) {
    EXPECT_TRUE(shell::MatchesFilePattern("*.hqr", "SAMPLE.HQR"));
    EXPECT_TRUE(shell::MatchesFilePattern("*.*", "README"));
    EXPECT_FALSE(shell::MatchesFilePattern("*.hqr", "SAMPLE.HQS"));
    EXPECT_EQ(app::QtNameFilters("Tarvo Archives (*.hqr;*.vox)|*.hqr;*.vox|All files (*.*)|*.*"),
              QStringList({"Tarvo Archives (*.hqr;*.vox) (*.hqr *.vox)", "All files (*.*) (*)"}));
}
