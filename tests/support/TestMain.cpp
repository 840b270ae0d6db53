#include "support/TestServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// The server run without a server: skipped on a developer's machine, a failure
// in CI, where the server is always started.
class ServerRequired : public ::testing::Environment {
  public:
    void SetUp() override {
        if (!ambitra::test::onServer() || !ambitra::test::serverConnection().isEmpty()) {
            return;
        }
        if (!qEnvironmentVariableIsEmpty("CI")) {
            GTEST_FAIL() << "AMBITRA_TEST_PG names no PostgreSQL server for the server run";
        }
        GTEST_SKIP() << "no PostgreSQL server configured (AMBITRA_TEST_PG)";
    }
};

}  // namespace

// Test programs without windows get this main; widget tests get one with a
// QApplication. The platform is set before any Qt object exists because
// test discovery runs the program outside CTest's environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerRequired);
    return RUN_ALL_TESTS();
}
