#include "core/sync/HotSyncProtocol.h"

namespace ambitra::HotSyncProtocol {

namespace {

const QByteArray kRequestPrefix = QByteArrayLiteral("HOTSYNC ");

// One line on the wire: a line break inside the text would start a line of its
// own, which the other end would read as a different answer.
QByteArray oneLine(QString text) {
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return text.toUtf8();
}

QByteArray withoutLineEnd(const QByteArray& line) {
    QByteArray bytes = line;
    while (bytes.endsWith('\n') || bytes.endsWith('\r')) {
        bytes.chop(1);
    }
    return bytes;
}

}  // namespace

QByteArray requestLine(const QString& user, const QString& device) {
    QString name = user;
    name.replace(u'\t', u' ');
    return kRequestPrefix + oneLine(name) + '\t' + oneLine(device) + '\n';
}

std::optional<Request> parseRequest(const QByteArray& line) {
    const QByteArray bytes = withoutLineEnd(line);
    const qsizetype tab = bytes.indexOf('\t');
    if (!bytes.startsWith(kRequestPrefix) || tab < 0) {
        return std::nullopt;
    }
    return Request{QString::fromUtf8(bytes.mid(kRequestPrefix.size(), tab - kRequestPrefix.size())),
                   QString::fromUtf8(bytes.mid(tab + 1))};
}

QByteArray logLine(const QString& text) {
    return "L " + oneLine(text) + '\n';
}

QByteArray okLine() {
    return QByteArrayLiteral("OK\n");
}

QByteArray failLine(const QString& reason) {
    return "FAIL " + oneLine(reason) + '\n';
}

Answer parseAnswer(const QByteArray& line) {
    const QString text = QString::fromUtf8(withoutLineEnd(line));
    if (text.startsWith(QLatin1String("L "))) {
        return {Answer::Kind::Log, text.mid(2)};
    }
    if (text == QLatin1String("OK")) {
        return {Answer::Kind::Ok, QString()};
    }
    if (text.startsWith(QLatin1String("FAIL "))) {
        return {Answer::Kind::Fail, text.mid(5)};
    }
    return {Answer::Kind::Fail, text};
}

}  // namespace ambitra::HotSyncProtocol
