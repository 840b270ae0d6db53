#include "cli/CliProgram.h"

#include "core/coletor/ColetorApi.h"
#include "core/common/SyncLog.h"
#include "core/data/TDados.h"
#include "service/ColetorService.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace ambitra::cli {

namespace {

struct ServeArgs {
    std::optional<quint16> port;
    std::optional<quint16> setupPort;
    std::optional<QString> address;
};

std::optional<quint16> portArg(const QString& text) {
    bool ok = false;
    const uint port = text.toUInt(&ok, 10);
    return ok && port <= 65535 ? std::optional<quint16>(quint16(port)) : std::nullopt;
}

std::optional<ServeArgs> parseServeArgs(const QStringList& args) {
    if (args.size() % 2 != 0) {
        return std::nullopt;
    }
    ServeArgs parsed;
    for (int i = 0; i < args.size(); i += 2) {
        const QString& option = args[i];
        const QString& value = args[i + 1];
        if (option == QLatin1String("--port") && !parsed.port) {
            parsed.port = portArg(value);
            if (!parsed.port) {
                return std::nullopt;
            }
        } else if (option == QLatin1String("--setup-port") && !parsed.setupPort) {
            parsed.setupPort = portArg(value);
            if (!parsed.setupPort) {
                return std::nullopt;
            }
        } else if (option == QLatin1String("--address") && !parsed.address) {
            parsed.address = value;
        } else {
            return std::nullopt;
        }
    }
    return parsed;
}

// SIGINT and SIGTERM end the event loop: the handler only writes a byte, which
// the loop reads.
int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

bool quitOnSignals(QObject* context) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

}  // namespace

ColetorApiHooks coletorApiHooks(CliProgram& program) {
    // Without a window no location comes preselected; the loads and unloads of
    // the devices are printed as the synchronisation log gets them.
    struct Rules {
        SyncLog log;
        std::unique_ptr<ColetorApi> api;
    };
    auto rules = std::make_shared<Rules>();
    rules->api = std::make_unique<ColetorApi>(program.dados(), rules->log);
    printLines(rules->log);
    ColetorApi* api = rules->api.get();
    return {[api](const ServiceRequest& request) { return api->handle(request); },
            [api] { return api->newPairingCode(); }, rules};
}

int runServeCommand(CliProgram& program, const QStringList& args) {
    const std::optional<ServeArgs> parsed = parseServeArgs(args);
    if (!parsed) {
        return kUsage;
    }
    if (!program.init()) {
        return kFailed;
    }
    ColetorOptions options = coletorOptions(program.dados().settings());
    options.port = parsed->port.value_or(options.port);
    options.setupPort = parsed->setupPort.value_or(options.setupPort);
    options.address = parsed->address.value_or(options.address);

    // On this thread, which owns the register's connection.
    ColetorService service(program.appDir(), program.prompter());
    const ColetorApiHooks api = coletorApiHooks(program);
    service.setApiHandler(api.handle);
    if (!quitOnSignals(&service) || !service.start(options)) {
        return kFailed;
    }
    printOut(QStringLiteral("Endereço: ") + service.httpsAddress());
    printOut(QStringLiteral("Configuração: ") + service.setupAddress());
    printOut(QStringLiteral("Impressão digital da autoridade (SHA-256): ") + service.fingerprint());
    if (api.pairingCode) {
        printOut(QStringLiteral("Código de pareamento: ") + api.pairingCode());
    }
    const int result = QCoreApplication::exec();
    service.stop();
    return result == 0 ? kOk : kFailed;
}

}  // namespace ambitra::cli
