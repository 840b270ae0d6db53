#include "service/ColetorService.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/Settings.h"
#include "service/CertificateAuthority.h"
#include "service/HttpAdapter.h"
#include "service/ServiceHeaders.h"
#include "service/SetupPage.h"
#include "service/StaticFiles.h"

#include <QDir>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QSslConfiguration>

namespace ambitra {

namespace {

// The addresses of the machine a device may reach it by (loopback and
// link-local ones aside; the certificate names 127.0.0.1 anyway).
QList<QHostAddress> machineAddresses() {
    QList<QHostAddress> addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (!entry.ip().isLinkLocal() && !entry.ip().isLoopback()) {
                addresses << entry.ip();
            }
        }
    }
    return addresses;
}

// The host part of the addresses shown: the listening address, else the
// machine's first IPv4 address, else its name.
QString displayHost(const QHostAddress& listening, const QList<QHostAddress>& addresses) {
    QHostAddress shown = listening;
    if (shown == QHostAddress(QHostAddress::Any) || shown == QHostAddress(QHostAddress::AnyIPv4) ||
        shown == QHostAddress(QHostAddress::AnyIPv6)) {
        shown = QHostAddress();
        for (const QHostAddress& address : addresses) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                shown = address;
                break;
            }
        }
        if (shown.isNull()) {
            return QHostInfo::localHostName();
        }
    }
    return shown.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + shown.toString() + u']'
                                                             : shown.toString();
}

QString listenReason(const QTcpServer& server) {
    switch (server.serverError()) {
        case QAbstractSocket::AddressInUseError:
            return QStringLiteral("a porta já está em uso por outro programa");
        case QAbstractSocket::SocketAccessError:
            return QStringLiteral("este usuário não tem permissão para usar a porta");
        case QAbstractSocket::SocketAddressNotAvailableError:
            return QStringLiteral("o endereço não pertence a este computador");
        default:
            return server.errorString();
    }
}

}  // namespace

ColetorOptions coletorOptions(const Settings& settings) {
    ColetorOptions options;
    options.address = settings.ColetorEndereco;
    options.port = quint16(settings.ColetorPorta);
    options.setupPort = quint16(settings.ColetorPortaConfiguracao);
    return options;
}

ColetorService::ColetorService(QString appDir, Prompter& prompter, QObject* parent)
    : QObject(parent), m_appDir(std::move(appDir)), m_prompter(prompter) {}

ColetorService::~ColetorService() {
    stop();
}

bool ColetorService::start(const ColetorOptions& options) {
    stop();
    m_options = options;
    QHostAddress address(QHostAddress::Any);
    if (!options.address.trimmed().isEmpty() && !address.setAddress(options.address.trimmed())) {
        m_prompter.error(QStringLiteral("Endereço do coletor inválido: %1.").arg(options.address));
        return false;
    }
    if (options.port != 0 && options.port == options.setupPort) {
        m_prompter.error(
            QStringLiteral("A porta do coletor e a porta da configuração devem ser diferentes."));
        return false;
    }

    const QList<QHostAddress> addresses = machineAddresses();
    ServiceCertificates certificates;
    try {
        certificates =
            loadOrMakeCertificates(QDir(m_appDir).filePath(QStringLiteral("Certificados")),
                                   QHostInfo::localHostName(), addresses);
    } catch (const Error& error) {
        m_prompter.error(error.message());
        return false;
    }

    auto appServer = std::make_unique<GuardedSslServer>(options.limits);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.server);
    tls.setPrivateKey(certificates.serverKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    appServer->setSslConfiguration(tls);
    auto setupServer = std::make_unique<GuardedTcpServer>(options.limits);

    for (const auto& [server, port] :
         {std::pair<QTcpServer*, quint16>{appServer.get(), options.port},
          std::pair<QTcpServer*, quint16>{setupServer.get(), options.setupPort}}) {
        if (!server->listen(address, port)) {
            m_prompter.error(QStringLiteral("Não foi possível iniciar o coletor na porta %1: %2.")
                                 .arg(port)
                                 .arg(listenReason(*server)));
            return false;
        }
    }

    m_host = displayHost(address, addresses);
    m_fingerprint = certificates.fingerprint();
    m_appServer = appServer.get();
    m_setupServer = setupServer.get();
    m_app = std::make_unique<HttpAdapter>(
        [this](const ServiceRequest& request) { return route(request); });
    m_app->bind(appServer.release());
    const SetupPage setup(httpsAddress(), certificates.authority.toDer(), m_fingerprint);
    m_setup = std::make_unique<HttpAdapter>(
        [setup](const ServiceRequest& request) { return setup.handle(request); });
    m_setup->bind(setupServer.release());
    return true;
}

void ColetorService::stop() {
    // The adapters own their servers and these their connections.
    m_app.reset();
    m_setup.reset();
}

ServiceResponse ColetorService::route(const ServiceRequest& request) const {
    if (!request.path.startsWith(QLatin1String("/api/"))) {
        return StaticFiles(m_options.resourceRoot).handle(request);
    }
    if (!m_api) {
        return errorResponse(404, QStringLiteral("Endereço não encontrado."));
    }
    // Nothing may escape into the event loop that serves every client.
    try {
        return m_api(request);
    } catch (const Error& error) {
        return errorResponse(500, error.message());
    } catch (const std::exception&) {
        return errorResponse(500, QStringLiteral("Erro interno do serviço do coletor."));
    }
}

quint16 ColetorService::port() const {
    return m_appServer ? m_appServer->serverPort() : 0;
}

quint16 ColetorService::setupPort() const {
    return m_setupServer ? m_setupServer->serverPort() : 0;
}

QString ColetorService::httpsAddress() const {
    return QStringLiteral("https://%1:%2/").arg(m_host).arg(port());
}

QString ColetorService::setupAddress() const {
    return QStringLiteral("http://%1:%2/").arg(m_host).arg(setupPort());
}

int ColetorService::openConnections() const {
    return (m_appServer ? m_appServer->openConnections() : 0) +
           (m_setupServer ? m_setupServer->openConnections() : 0);
}

}  // namespace ambitra
