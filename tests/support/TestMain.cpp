#include "support/TestServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// Test programs without windows get this main; widget tests get one with a
// QApplication. The platform is set before any Qt object exists because
// test discovery runs the program outside CTest's environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (const std::optional<int> status = ambitra::test::serverRunWithoutServer(argc, argv)) {
        return *status;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
