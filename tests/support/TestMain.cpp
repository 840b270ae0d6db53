#include "support/TestServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool listingTests(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Test programs without windows get this main; widget tests get one with a
// QApplication. The platform is set before any Qt object exists because
// test discovery runs the program outside CTest's environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The server run without a server: skipped (CTest shows it so) on a
    // developer's machine, a failure in CI, where the server is always started.
    if (ambitra::test::onServer() && ambitra::test::serverConnection().isEmpty() &&
        !listingTests(argc, argv)) {
        if (!qEnvironmentVariableIsEmpty("CI")) {
            std::fprintf(stderr, "AMBITRA_TEST_PG names no PostgreSQL server for the server run\n");
            return EXIT_FAILURE;
        }
        std::printf("[  SKIPPED ] no PostgreSQL server configured (AMBITRA_TEST_PG)\n");
        return EXIT_SUCCESS;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
