// The HotSync socket lines from either end as any bytes: parsing never fails,
// and what one end sends is read by the other as it was meant.

#include "core/sync/HotSyncProtocol.h"
#include "FuzzSupport.h"

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    HotSyncProtocol::parseRequest(bytes);
    HotSyncProtocol::parseAnswer(bytes);

    // Split the input into a user name and a device folder (valid UTF-8 only:
    // both ends speak UTF-8).
    const qsizetype cut = bytes.indexOf('\0');
    const QString user = QString::fromUtf8(bytes.left(cut < 0 ? bytes.size() / 2 : cut));
    const QString device =
        QString::fromUtf8(cut < 0 ? bytes.mid(bytes.size() / 2) : bytes.mid(cut + 1));
    if (user.toUtf8() != bytes.left(cut < 0 ? bytes.size() / 2 : cut)) {
        return 0;
    }
    const QByteArray line = HotSyncProtocol::requestLine(user, device);
    check(line.endsWith('\n') && line.count('\n') == 1, "a request is not one line");
    const auto request = HotSyncProtocol::parseRequest(line);
    check(request.has_value(), "a request was not recognised");
    QString expectedUser = user;
    expectedUser.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    check(request->user == expectedUser, "the user name changed on the way");

    const QByteArray log = HotSyncProtocol::logLine(user);
    check(log.count('\n') == 1, "a log line is not one line");
    check(HotSyncProtocol::parseAnswer(log).kind == HotSyncProtocol::Answer::Kind::Log,
          "a log line was read as something else");
    const auto failure = HotSyncProtocol::parseAnswer(HotSyncProtocol::failLine(user));
    check(failure.kind == HotSyncProtocol::Answer::Kind::Fail, "a failure was read as success");
    return 0;
}
