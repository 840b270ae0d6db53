#include "service/StaticFiles.h"

#include "service/ServiceHeaders.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace ambitra {

StaticFiles::StaticFiles(QString resourceRoot) : m_root(std::move(resourceRoot)) {}

QByteArray StaticFiles::mediaType(const QString& fileName) {
    static const QHash<QString, QByteArray> types = {
        {QStringLiteral("html"), "text/html; charset=utf-8"},
        {QStringLiteral("js"), "text/javascript; charset=utf-8"},
        {QStringLiteral("mjs"), "text/javascript; charset=utf-8"},
        {QStringLiteral("css"), "text/css; charset=utf-8"},
        {QStringLiteral("json"), "application/json; charset=utf-8"},
        {QStringLiteral("webmanifest"), "application/manifest+json; charset=utf-8"},
        {QStringLiteral("svg"), "image/svg+xml"},
        {QStringLiteral("png"), "image/png"},
        {QStringLiteral("ico"), "image/x-icon"},
        {QStringLiteral("wasm"), "application/wasm"},
        {QStringLiteral("mp3"), "audio/mpeg"},
        {QStringLiteral("ogg"), "audio/ogg"},
        {QStringLiteral("wav"), "audio/wav"},
        {QStringLiteral("txt"), "text/plain; charset=utf-8"},
    };
    return types.value(QFileInfo(fileName).suffix().toLower(), "application/octet-stream");
}

ServiceResponse StaticFiles::handle(const ServiceRequest& request) const {
    const ServiceResponse notFound = errorResponse(404, QStringLiteral("Endereço não encontrado."));
    if (request.method != "GET" || !request.path.startsWith(u'/')) {
        return notFound;
    }
    const QString relative =
        request.path == QLatin1String("/") ? QStringLiteral("index.html") : request.path.mid(1);
    // Each step a plain name: no way up out of the folder, no empty step.
    const QStringList steps = relative.split(u'/');
    for (const QString& step : steps) {
        if (step.isEmpty() || step == QLatin1String(".") || step == QLatin1String("..") ||
            step.contains(u'\\') || step.contains(QChar(u'\0'))) {
            return notFound;
        }
    }
    QFile file(m_root + u'/' + relative);
    if (QFileInfo(file).isDir() || !file.open(QIODevice::ReadOnly)) {
        return notFound;
    }
    ServiceResponse response;
    response.contentType = mediaType(relative);
    response.body = file.readAll();
    return response;
}

}  // namespace ambitra
