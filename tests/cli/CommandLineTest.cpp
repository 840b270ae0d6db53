// The conventions both companions follow: --help on the program and on every
// command answers on stdout with exit 0, --version names the program and its
// version, a wrong argument gives the usage on stderr with exit 2.
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome run(const char* program, const QStringList& args) {
    QProcess process;
    process.start(QString::fromUtf8(program), args);
    process.waitForFinished(20000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(CommandLine, HelpOfTheCliAndOfEveryCommandGoesToStdout) {
    const Outcome program = run(AMBITRA_CLI, {QStringLiteral("--help")});
    EXPECT_EQ(program.code, 0);
    EXPECT_EQ(program.err, u"");
    for (const char* name : {"init", "settings", "log", "dbf", "export", "import", "hotsync",
                             "unload", "labels", "serve"}) {
        const QString command = QString::fromLatin1(name);
        const Outcome help = run(AMBITRA_CLI, {command, QStringLiteral("--help")});
        EXPECT_EQ(help.code, 0) << name;
        EXPECT_EQ(help.err, u"") << name;
        EXPECT_TRUE(help.out.startsWith(u"usage: ambitra-cli ")) << name;
        EXPECT_TRUE(help.out.contains(u' ' + command)) << name;
        EXPECT_TRUE(program.out.contains(help.out)) << name << " in the program's help";
    }
}

TEST(CommandLine, AWrongArgumentGivesTheCommandsUsageOnStderr) {
    const Outcome wrong = run(AMBITRA_CLI, {QStringLiteral("log"), QStringLiteral("--bogus")});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_EQ(wrong.out, u"");
    EXPECT_EQ(wrong.err, run(AMBITRA_CLI, {QStringLiteral("log"), QStringLiteral("--help")}).out);

    const Outcome unknown = run(AMBITRA_CLI, {QStringLiteral("nothing")});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.startsWith(u"usage: ambitra-cli [--app-dir DIR] COMMAND"));
}

TEST(CommandLine, VersionOfBothCompanions) {
    const Outcome cli = run(AMBITRA_CLI, {QStringLiteral("--version")});
    EXPECT_EQ(cli.code, 0);
    EXPECT_EQ(cli.out, u"ambitra-cli 1.0.0.0\n");
    const Outcome handheld = run(AMBITRA_HANDHELD, {QStringLiteral("--version")});
    EXPECT_EQ(handheld.code, 0);
    EXPECT_EQ(handheld.out, u"ambitra-handheld 1.0.0.0\n");
}

TEST(CommandLine, HandheldHelpAndUsage) {
    const Outcome program = run(AMBITRA_HANDHELD, {QStringLiteral("--help")});
    EXPECT_EQ(program.code, 0);
    EXPECT_TRUE(program.out.startsWith(u"usage: ambitra-handheld --device DEVDIR COMMAND\n"));
    for (const char* name : {"request", "read", "show", "sync"}) {
        const Outcome help =
            run(AMBITRA_HANDHELD, {QStringLiteral("--device"), QStringLiteral("/"),
                                   QString::fromLatin1(name), QStringLiteral("--help")});
        EXPECT_EQ(help.code, 0) << name;
        EXPECT_TRUE(help.out.startsWith(u"usage: ambitra-handheld --device DEVDIR " +
                                        QString::fromLatin1(name)))
            << name;
    }
    const Outcome wrong = run(
        AMBITRA_HANDHELD, {QStringLiteral("--device"), QStringLiteral("/"), QStringLiteral("x")});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_EQ(wrong.out, u"");
    EXPECT_TRUE(wrong.err.startsWith(u"usage: ambitra-handheld"));
}
