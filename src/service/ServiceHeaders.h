#pragma once

#include "core/coletor/ServiceRequest.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace ambitra {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// The headers every answer of the service carries, whoever sends it (a route,
// the missing-route answer, the guard's refusals): the content security policy
// without inline script, no sniffing, no referrer; answers of the API are never
// cached.
HeaderList securityHeaders(const QString& path);

// An answer of the service's error form {"erro": text} with the given status.
ServiceResponse errorResponse(int status, const QString& text);

// The reason phrase of a status the service sends ("Not Found", ...).
QByteArray reasonPhrase(int status);

// The whole bytes of a closing answer written by the guard itself, outside the
// HTTP server: status line, the security headers, the error body.
QByteArray closingAnswer(int status, const QString& text);

}  // namespace ambitra
