#include "support/TestServer.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// Widget tests get this main, with a QApplication; the other test programs
// get one with a QCoreApplication. The platform is set before any Qt object exists because
// test discovery runs the program outside CTest's environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (const std::optional<int> status = ambitra::test::serverRunWithoutServer(argc, argv)) {
        return *status;
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
