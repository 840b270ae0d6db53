#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace ambitra::test {

// One run of a program of the project: its exit code and what it printed.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ProgramRun run(const char* program, const QStringList& args) {
    QProcess p;
    p.start(QString::fromUtf8(program), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace ambitra::test
