// The handheld application's stand-in: its storage is a folder (the device
// folder) holding the tables the desktop sends and the request table; it records
// inventory readings and presses HotSync on the running desktop program.
#include "core/common/CommandLine.h"
#include "core/common/Error.h"
#include "core/common/FileAccess.h"
#include "core/common/ProgramFolder.h"
#include "core/sync/HotSyncProtocol.h"
#include "core/sync/HotSyncServer.h"
#include "core/sync/PrivateSocket.h"
#include "core/sync/RequestTable.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

using namespace ambitra;

namespace {

enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

void out(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void err(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stderr);
}

// "--name value" pairs into a map; nullopt on anything else or an unknown name.
std::optional<QHash<QString, QString>> options(const QStringList& args, const QStringList& known) {
    QHash<QString, QString> parsed;
    if (args.size() % 2 != 0) {
        return std::nullopt;
    }
    for (int i = 0; i < args.size(); i += 2) {
        if (!known.contains(args[i]) || parsed.contains(args[i])) {
            return std::nullopt;
        }
        parsed.insert(args[i], args[i + 1]);
    }
    return parsed;
}

int request(const QString& device, const QStringList& args) {
    if (args.size() != 1 ||
        (args[0] != QLatin1String("load") && args[0] != QLatin1String("unload"))) {
        return kUsage;
    }
    RequestTable::Write(
        device, args[0] == QLatin1String("load") ? QStringLiteral("C") : QStringLiteral("D"));
    out(QStringLiteral("request ") + args[0]);
    return kOk;
}

// Holds the device for one reading: two readings at once must not both create
// the table (the second creation would wipe the first reading) nor both append
// the same code. An exclusive lock on the device folder itself, so the device
// holds no file of ours.
class DeviceLock {
  public:
    explicit DeviceLock(const QString& device) {
#ifdef Q_OS_UNIX
        m_fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX) != 0) {
            throw Error(QStringLiteral("Não foi possível reservar a pasta do dispositivo ") +
                        device);
        }
#else
        Q_UNUSED(device);
#endif
    }
    ~DeviceLock() {
#ifdef Q_OS_UNIX
        if (m_fd >= 0) {
            ::close(m_fd);
        }
#endif
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

  private:
    int m_fd = -1;
};

// Finds the record of the code, or appends one.
void seekOrAppend(THalcyonDataSet& dbf, const QString& code) {
    for (dbf.First(); !dbf.Eof(); dbf.Next()) {
        if (dbf.FieldByName(QStringLiteral("BECODIGO")).AsString().trimmed() == code) {
            dbf.Edit();
            return;
        }
    }
    dbf.Insert();
    dbf.FieldByName(QStringLiteral("BECODIGO")).SetAsString(code);
}

int read(const QString& device, const QStringList& args) {
    const std::optional<QHash<QString, QString>> opts =
        args.isEmpty()
            ? std::nullopt
            : options(args.mid(1), {QStringLiteral("--local"), QStringLiteral("--situacao"),
                                    QStringLiteral("--serie"), QStringLiteral("--operador"),
                                    QStringLiteral("--date"), QStringLiteral("--nome")});
    QDate date = QDate::currentDate();
    if (opts && opts->contains(QStringLiteral("--date"))) {
        date = QDate::fromString(opts->value(QStringLiteral("--date")), QStringLiteral("yyyyMMdd"));
    }
    if (!opts || args[0].isEmpty() || !date.isValid()) {
        return kUsage;
    }
    const QString fileName = ExchangeFileName(QStringLiteral("Bens"));
    const DeviceLock lock(device);
    if (!QFileInfo::exists(QDir(device).filePath(fileName))) {
        CreateDBFTable(device, fileName);
    }
    THalcyonDataSet dbf;
    dbf.SetDatabaseName(device);
    dbf.SetTableName(fileName);
    dbf.Open();
    seekOrAppend(dbf, args[0]);
    const std::pair<const char*, const char*> fields[] = {{"--local", "BELOCAL"},
                                                          {"--situacao", "BESITUACAO"},
                                                          {"--serie", "BENSERIE"},
                                                          {"--operador", "BEULTOPE"},
                                                          {"--nome", "BENOME"}};
    for (const auto& [option, field] : fields) {
        const QString name = QString::fromLatin1(option);
        if (opts->contains(name)) {
            dbf.FieldByName(QString::fromLatin1(field)).SetAsString(opts->value(name));
        }
    }
    dbf.FieldByName(QStringLiteral("BEULTINV")).SetAsVariant(date);
    dbf.FieldByName(QStringLiteral("BEFLAG")).SetAsString(QStringLiteral("X"));
    dbf.Post();
    dbf.Close();
    out(QStringLiteral("read ") + args[0]);
    return kOk;
}

void showTable(const QString& device, const QString& fileName) {
    if (!QFileInfo::exists(QDir(device).filePath(fileName))) {
        return;
    }
    THalcyonDataSet dbf;
    dbf.SetReadOnly(true);
    dbf.SetDatabaseName(device);
    dbf.SetTableName(fileName);
    dbf.Open();
    out(QStringLiteral("[") + fileName + u']');
    for (dbf.First(); !dbf.Eof(); dbf.Next()) {
        QStringList values;
        for (int i = 0; i < dbf.FieldCount(); ++i) {
            values << dbf.Fields(i).AsString().trimmed();
        }
        out(values.join(u'|'));
    }
    dbf.Close();
}

int show(const QString& device) {
    for (const char* table : {"Operadores", "Locais", "Bens"}) {
        showTable(device, ExchangeFileName(QString::fromLatin1(table)));
    }
    const QString requestFile = QString::fromLatin1(RequestTable::kFileName);
    if (QFileInfo::exists(QDir(device).filePath(requestFile))) {
        const QString request = RequestTable::Read(device);
        out(QStringLiteral("[") + requestFile + QStringLiteral("] ") +
            (request.isEmpty() ? QStringLiteral("vazio") : request));
    }
    return kOk;
}

int sync(const QString& device, const QStringList& args) {
    const auto opts = options(args, {QStringLiteral("--user"), QStringLiteral("--app-dir")});
    if (!opts || opts->value(QStringLiteral("--user")).isEmpty()) {
        return kUsage;
    }
    const QString appDir = opts->contains(QStringLiteral("--app-dir"))
                               ? opts->value(QStringLiteral("--app-dir"))
                               : GetAppDir();
    QLocalSocket socket;
    socket.connectToServer(HotSyncServer::serverName(appDir));
    if (!socket.waitForConnected(5000)) {
        err(QStringLiteral("O programa não está em execução em ") +
            QDir::toNativeSeparators(appDir) + u'.');
        return kFailed;
    }
    // Whoever listens there must be this user's program: another user's would
    // see the device folder and could answer anything.
    if (!PrivateSocket::PeerIsSameUser(socket.socketDescriptor())) {
        err(QStringLiteral("O programa que atende em ") +
            QDir::toNativeSeparators(socket.fullServerName()) +
            QStringLiteral(" pertence a outro usuário: a sincronização foi recusada."));
        return kFailed;
    }
    socket.write(HotSyncProtocol::requestLine(opts->value(QStringLiteral("--user")),
                                              QFileInfo(device).absoluteFilePath()));
    socket.flush();
    // The cycle may take long (a large load); the program answers line by line.
    for (;;) {
        while (socket.canReadLine()) {
            const HotSyncProtocol::Answer answer = HotSyncProtocol::parseAnswer(socket.readLine());
            if (answer.kind == HotSyncProtocol::Answer::Kind::Log) {
                out(answer.text);
            } else if (answer.kind == HotSyncProtocol::Answer::Kind::Ok) {
                return kOk;
            } else {
                err(answer.text);
                return kFailed;
            }
        }
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0) {
            err(QStringLiteral("A sincronização foi interrompida."));
            return kFailed;
        }
        socket.waitForReadyRead(600000);
    }
}

int showCommand(const QString& device, const QStringList& args) {
    return args.isEmpty() ? show(device) : kUsage;
}

// One row per command: its name, its arguments as the usage shows them, and
// what runs it. A command reports bad arguments by returning kUsage.
struct Command {
    const char* name;
    const char* arguments;
    int (*run)(const QString& device, const QStringList& args);
};

constexpr Command kCommands[] = {
    {"request", "load|unload", request},
    {"read",
     "CODE [--local L] [--situacao S] [--serie N] [--operador NAME] [--date yyyymmdd] "
     "[--nome TEXT]",
     read},
    {"show", "", showCommand},
    {"sync", "--user NAME [--app-dir DIR]", sync},
};

QString commandLine(const Command& command) {
    const QString arguments = QString::fromLatin1(command.arguments);
    return QString::fromLatin1(command.name) + (arguments.isEmpty() ? QString() : u' ' + arguments);
}

QString usage() {
    QString text = QStringLiteral("usage: ambitra-handheld --device DEVDIR COMMAND\ncommands:");
    for (const Command& command : kCommands) {
        text += QStringLiteral("\n  ") + commandLine(command);
    }
    return text;
}

const Command* findCommand(const QString& name) {
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

int usageError() {
    err(usage());
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    ambitra::restrictNewFiles();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args == QStringList{QStringLiteral("--version")}) {
        out(VersionLine(QStringLiteral("ambitra-handheld")));
        return kOk;
    }
    if (AsksForHelp(args)) {
        // A command's own usage when one is named, else the whole list.
        const Command* named = args.size() >= 3 && args[0] == QLatin1String("--device")
                                   ? findCommand(args[2])
                                   : nullptr;
        out(named ? QStringLiteral("usage: ambitra-handheld --device DEVDIR ") + commandLine(*named)
                  : usage().replace(QStringLiteral("\ncommands:"),
                                    QStringLiteral("\n       ambitra-handheld --version | --help"
                                                   "\ncommands:")));
        return kOk;
    }
    if (args.size() < 3 || args[0] != QLatin1String("--device")) {
        return usageError();
    }
    const QString device = args[1];
    const Command* command = findCommand(args[2]);
    args = args.mid(3);
    if (!command) {
        return usageError();
    }
    if (!QFileInfo(device).isDir()) {
        err(QStringLiteral("Pasta do dispositivo não encontrada: ") + device);
        return kFailed;
    }
    try {
        const int result = command->run(device, args);
        return result == kUsage ? usageError() : result;
    } catch (const Error& error) {
        err(error.message());
        return kFailed;
    }
}
