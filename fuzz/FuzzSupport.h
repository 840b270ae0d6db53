#pragma once

// What the fuzz targets share: a scratch folder of their own process, whole-file
// writes and reads without Qt's buffering, and a hard stop that the fuzzer
// reports as a crash with the input that caused it.

#include "core/common/Prompter.h"

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace ambitra::fuzz {

inline QString scratchFolder(const char* name) {
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString folder =
        base + u'/' + QString::fromLatin1(name) + u'-' + QString::number(::getpid());
    QDir().mkpath(folder);
    return folder;
}

inline QByteArray readFile(const QByteArray& path) {
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[65536];
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

inline void writeFile(const QByteArray& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    ::close(fd);
}

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition) {
        fail(what);
    }
}

// Answers every question with No or OK and shows nothing: the targets run
// without a user.
class SilentPrompter : public Prompter {
  public:
    Answer message(Kind, const QString&, Buttons buttons) override {
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    void beep() override {}
};

}  // namespace ambitra::fuzz
