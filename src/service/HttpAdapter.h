#pragma once

#include "core/coletor/ServiceRequest.h"

#include <QObject>

#include <functional>
#include <memory>

class QTcpServer;

namespace ambitra {

// The one place that speaks to Qt's HTTP server, whose interface changes
// between Qt versions: every request becomes a ServiceRequest handed to one
// handler, and its answer goes back with the security headers. A HEAD request
// is handled as a GET whose body is left out. Servers are bound already
// listening (the guard's, see ConnectionGuard.h).
class HttpAdapter : public QObject {
    Q_OBJECT

  public:
    using Handler = std::function<ServiceResponse(const ServiceRequest&)>;

    explicit HttpAdapter(Handler handler, QObject* parent = nullptr);
    ~HttpAdapter() override;

    // Serves the connections of a listening server, which becomes the adapter's child.
    void bind(QTcpServer* server);

  private:
    class Server;
    std::unique_ptr<Server> m_server;
};

}  // namespace ambitra
