// The windows under test need one application object, created before any
// test runs; they draw offscreen unless QT_QPA_PLATFORM names another
// platform (xcb under xvfb-run for screenshots).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
