#include "service/HttpAdapter.h"

#include "service/ServiceHeaders.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace ambitra {

namespace {

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
        case QHttpServerRequest::Method::Get:
            return "GET";
        case QHttpServerRequest::Method::Put:
            return "PUT";
        case QHttpServerRequest::Method::Delete:
            return "DELETE";
        case QHttpServerRequest::Method::Post:
            return "POST";
        case QHttpServerRequest::Method::Head:
            return "HEAD";
        case QHttpServerRequest::Method::Options:
            return "OPTIONS";
        case QHttpServerRequest::Method::Patch:
            return "PATCH";
        case QHttpServerRequest::Method::Connect:
            return "CONNECT";
        case QHttpServerRequest::Method::Trace:
            return "TRACE";
        default:
            return QByteArray();
    }
}

ServiceRequest toServiceRequest(const QHttpServerRequest& request) {
    ServiceRequest converted;
    converted.method = methodName(request.method());
    converted.path = request.url().path(QUrl::FullyDecoded);
    for (const auto& [name, value] : request.headers()) {
        const QByteArray key = name.toLower();
        // A repeated header counts once, as first given.
        if (!converted.headers.contains(key)) {
            converted.headers.insert(key, value);
        }
    }
    converted.body = request.body();
    converted.peer = request.remoteAddress();
    return converted;
}

}  // namespace

// Qt's server base without its router: one handler sees every request.
class HttpAdapter::Server : public QAbstractHttpServer {
  public:
    Server(Handler handler, QObject* parent)
        : QAbstractHttpServer(parent), m_handler(std::move(handler)) {}

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        ServiceRequest converted = toServiceRequest(request);
        const bool head = converted.method == "HEAD";
        if (head) {
            converted.method = "GET";
        }
        ServiceResponse response;
        if (converted.method.isEmpty()) {
            response = errorResponse(405, QStringLiteral("Método não aceito."));
        } else {
            response = m_handler(converted);
        }
        send(request, socket, converted.path, response, head);
        return true;
    }

    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
        send(request, socket, request.url().path(),
             errorResponse(404, QStringLiteral("Endereço não encontrado.")), false);
    }

  private:
    void send(const QHttpServerRequest& request, QTcpSocket* socket, const QString& path,
              const ServiceResponse& response, bool head) {
        QHttpServerResponder responder = makeResponder(request, socket);
        responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(response.status));
        responder.writeHeader("Content-Type", response.contentType);
        responder.writeHeader("Content-Length", QByteArray::number(response.body.size()));
        for (const auto& [name, value] : securityHeaders(path)) {
            responder.writeHeader(name, value);
        }
        for (const auto& [name, value] : response.headers) {
            responder.writeHeader(name, value);
        }
        responder.writeBody(head ? QByteArray() : response.body);
    }

    Handler m_handler;
};

HttpAdapter::HttpAdapter(Handler handler, QObject* parent)
    : QObject(parent), m_server(std::make_unique<Server>(std::move(handler), nullptr)) {}

HttpAdapter::~HttpAdapter() = default;

void HttpAdapter::bind(QTcpServer* server) {
    m_server->bind(server);
}

}  // namespace ambitra
