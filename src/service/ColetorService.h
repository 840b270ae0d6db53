#pragma once

#include "core/coletor/ServiceRequest.h"
#include "core/data/Settings.h"
#include "service/ConnectionGuard.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace ambitra {

class HttpAdapter;
class Prompter;
struct Settings;

// Where and how the service listens.
struct ColetorOptions {
    QString address;                               // empty: every address of the machine
    quint16 port = kDefaultColetorPort;            // HTTPS: the app and the API (0: any free port)
    quint16 setupPort = kDefaultColetorSetupPort;  // plain HTTP: the setup page
    GuardLimits limits;
    QString resourceRoot = QStringLiteral(":/coletor");
};

// The options of the [Coletor] settings.
ColetorOptions coletorOptions(const Settings& settings);

// The handheld service: the app and its API over HTTPS, the setup page over
// plain HTTP, both behind the guard, on the thread that creates it (the one
// that owns the register's connection). Its certificates live in
// Certificados/ of the program folder. Requests under /api/ go to the API's
// handler, the rest to the app's files.
class ColetorService : public QObject {
    Q_OBJECT

  public:
    using Handler = std::function<ServiceResponse(const ServiceRequest&)>;

    ColetorService(QString appDir, Prompter& prompter, QObject* parent = nullptr);
    ~ColetorService() override;

    // The rules of the API (set before start; without them /api/ answers 404).
    void setApiHandler(Handler handler) { m_api = std::move(handler); }

    // Makes or loads the certificates and listens on both ports; false after
    // saying why through the prompter (nothing is left listening then).
    bool start(const ColetorOptions& options);
    void stop();
    bool isRunning() const { return m_app != nullptr; }

    quint16 port() const;
    quint16 setupPort() const;
    // "https://HOST:PORT/" and "http://HOST:PORT/", HOST being the listening
    // address or, when every address is listened on, the one a device uses.
    QString httpsAddress() const;
    QString setupAddress() const;
    // The certificate authority's SHA-256 fingerprint, for the user to compare.
    QString fingerprint() const { return m_fingerprint; }
    // Open connections of each port (the guard's count).
    int openConnections() const;

  private:
    ServiceResponse route(const ServiceRequest& request) const;

    QString m_appDir;
    Prompter& m_prompter;
    Handler m_api;
    QString m_host;
    QString m_fingerprint;
    std::unique_ptr<HttpAdapter> m_app;
    std::unique_ptr<HttpAdapter> m_setup;
    QPointer<GuardedSslServer> m_appServer;
    QPointer<GuardedTcpServer> m_setupServer;
    ColetorOptions m_options;
};

}  // namespace ambitra
