#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ambitra {

// The lines the handheld companion and the running program exchange over the
// HotSync socket, UTF-8, each ended by a line feed. The companion sends one
// request "HOTSYNC <user>\t<device folder>"; the program answers with the log
// lines of the cycle ("L " + line), then "OK" (the cycle ended) or "FAIL " +
// the reason.
namespace HotSyncProtocol {

struct Request {
    QString user;
    QString device;
};

struct Answer {
    enum class Kind { Log, Ok, Fail };
    Kind kind = Kind::Fail;
    QString text;
};

// Line breaks and tabs inside the user name would split the request
// differently on the other end: they are sent as blanks.
QByteArray requestLine(const QString& user, const QString& device);
// nullopt for anything that is not a request.
std::optional<Request> parseRequest(const QByteArray& line);

QByteArray logLine(const QString& text);
QByteArray okLine();
QByteArray failLine(const QString& reason);
// A line that is none of the three counts as a failure with the line as reason.
Answer parseAnswer(const QByteArray& line);

}  // namespace HotSyncProtocol

}  // namespace ambitra
