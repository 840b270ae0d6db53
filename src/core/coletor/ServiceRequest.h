#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

namespace ambitra {

// One request of the handheld service as its routes see it, without the HTTP
// library's own types: the transport (src/service) fills it in and sends back
// the answer, so the rules of the API are tested without a socket.
struct ServiceRequest {
    QByteArray method;                      // "GET", "POST", ...
    QString path;                           // decoded path, without the query
    QHash<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
    QHostAddress peer;

    QByteArray header(const QByteArray& lowerName) const { return headers.value(lowerName); }
};

struct ServiceResponse {
    int status = 200;
    QByteArray contentType = "application/json; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;  // besides the security headers
};

}  // namespace ambitra
