#include "service/ServiceHeaders.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace ambitra {

HeaderList securityHeaders(const QString& path) {
    HeaderList headers = {
        {"Content-Security-Policy",
         "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; "
         "img-src 'self' data: blob:; media-src 'self' blob:; connect-src 'self'; "
         "object-src 'none'; base-uri 'none'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
    };
    if (path.startsWith(QLatin1String("/api/"))) {
        headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("no-store")));
    }
    return headers;
}

ServiceResponse errorResponse(int status, const QString& text) {
    ServiceResponse response;
    response.status = status;
    response.body =
        QJsonDocument(QJsonObject{{QStringLiteral("erro"), text}}).toJson(QJsonDocument::Compact);
    return response;
}

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 409:
            return "Conflict";
        case 411:
            return "Length Required";
        case 413:
            return "Payload Too Large";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

QByteArray closingAnswer(int status, const QString& text) {
    const ServiceResponse response = errorResponse(status, text);
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                       "\r\nContent-Type: " + response.contentType +
                       "\r\nContent-Length: " + QByteArray::number(response.body.size()) +
                       "\r\nConnection: close\r\n";
    for (const auto& [name, value] : securityHeaders(QString())) {
        bytes += name + ": " + value + "\r\n";
    }
    return bytes + "\r\n" + response.body;
}

}  // namespace ambitra
