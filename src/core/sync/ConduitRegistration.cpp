#include "core/sync/ConduitRegistration.h"

#include "core/common/Conversions.h"
#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/sync/HotSyncControl.h"
#include "core/sync/Registry.h"
#include "core/common/SyncLog.h"

#include <QFileInfo>
#include <QProcess>

namespace ambitra {

namespace {

QString version() {
    return QString::fromLatin1(ConduitRegistration::kSatFormsVersion);
}

QString creator() {
    return QString::fromLatin1(ConduitRegistration::kCreatorCode);
}

QString notRegisteredText() {
    return QStringLiteral("Condutor Satellite Forms ") + version() +
           QStringLiteral(" para aplicações ") + creator() + QStringLiteral(" não registrado");
}

}  // namespace

ConduitRegistration::ConduitRegistration(Registry& registry, SyncLog& log, Prompter& prompter,
                                         QString appDir, Starter starter)
    : m_registry(registry),
      m_log(log),
      m_prompter(prompter),
      m_appDir(std::move(appDir)),
      m_starter(std::move(starter)) {
    if (!m_starter) {
        m_starter = [](const QString& program, const QStringList& arguments) {
            return QProcess::startDetached(program, arguments);
        };
    }
}

ConduitRegistration::Runtime ConduitRegistration::runtimeFor(const QString& version) {
    if (version == QLatin1String("3.5")) {
        return {QStringLiteral("SFrmCS35.dll"), QStringLiteral("Satellite Forms SE 3.5/Bin"),
                QStringLiteral("RDKINSTS")};
    }
    if (version == QLatin1String("4.0")) {
        return {QStringLiteral("SFrmCE40.dll"), QStringLiteral("Satellite Forms EE 4.0/Bin"),
                QStringLiteral("RDKINSTE")};
    }
    if (version == QLatin1String("5.2")) {
        return {QStringLiteral("SFrmCn52.dll"), QStringLiteral("Satellite Forms Runtime/Palm"),
                QStringLiteral("RDKINST")};
    }
    return {};
}

QString ConduitRegistration::applicationKey(int number) {
    return QStringLiteral("Software\\U.S. Robotics\\Pilot Desktop\\Application") +
           QString::number(number);
}

QString ConduitRegistration::oemKey() {
    return QStringLiteral("Software\\U.S. Robotics\\Pilot Desktop\\ApplicationSatForms_OEM_") +
           creator();
}

quint32 ConduitRegistration::creatorNumber(const QString& creatorCode) {
    quint32 number = 0;
    for (QChar ch : creatorCode.left(4)) {
        number = (number << 8) | (ch.unicode() & 0xFF);
    }
    return number;
}

QString ConduitRegistration::toolFileName(const QString& tool) {
#ifdef Q_OS_WIN
    return tool + QStringLiteral(".exe");
#else
    return tool;
#endif
}

bool ConduitRegistration::matches(const QString& key, const QString& library) const {
    const QString conduit = m_registry.value(key, QStringLiteral("Conduit")).value_or(QString());
    if (conduit.isEmpty() || library.isEmpty() || !conduit.toUpper().contains(library.toUpper())) {
        return false;
    }
    const std::optional<qint64> number = m_registry.integer(key, QStringLiteral("Creator"));
    if (!number) {
        throw Error(QStringLiteral("Valor \"Creator\" da chave ") + key +
                    QStringLiteral(" não encontrado."));
    }
    // The value is a 32-bit number; a negative one is its two's complement.
    const QString hex =
        QString::number(static_cast<quint32>(*number), 16).toUpper().rightJustified(4, u'0');
    return hex == TextToHex(creator());
}

bool ConduitRegistration::CheckConduit() {
    m_log.append(QStringLiteral("> Checando o registro do condutor Satellite Forms...\r\n"));
    const QString library = runtimeFor(version()).library;
    bool found = false;
    for (int n = 0; m_registry.hasKey(applicationKey(n)); ++n) {
        // Later keys are still read: a damaged one is reported even after a match.
        found = matches(applicationKey(n), library) || found;
    }
    if (!found && m_registry.hasKey(oemKey())) {
        found = matches(oemKey(), library);
    }
    if (found) {
        m_log.append(QStringLiteral("   Conduit\t") + library);
        m_log.append(QStringLiteral("   Creator\t") + creator());
        m_log.append(QStringLiteral("   ApplVer\t3.0\r\n"));
    } else {
        m_log.append(QStringLiteral("   ") + notRegisteredText() + QStringLiteral(".\r\n"));
    }
    return found;
}

void ConduitRegistration::RegisterConduit() {
    m_log.append(QStringLiteral("> Registrando o condutor Satellite Forms...\r\n"));
    const Runtime runtime = runtimeFor(version());
    const QString libraryPath = GetSystemDir() + u'/' + runtime.library;
    QString tool;
    if (!runtime.tool.isEmpty()) {
        const QString programFiles = GetProgramFilesDir();
        if (!programFiles.isEmpty()) {
            tool = programFiles + u'/' + runtime.folder + u'/' + toolFileName(runtime.tool);
        }
        if (tool.isEmpty() || !QFileInfo(tool).isFile()) {
            tool = m_appDir + u'/' + toolFileName(runtime.tool);
        }
        // An installed program keeps its register apart from its own files.
        if (!QFileInfo(tool).isFile()) {
            tool = GetProgramLibDir() + u'/' + toolFileName(runtime.tool);
        }
    }
    if (!runtime.library.isEmpty() && QFileInfo(tool).isFile() && QFileInfo::exists(libraryPath)) {
        m_starter(tool, {QStringLiteral("-remstdreg"), QStringLiteral("-quiet")});
        m_starter(tool, {QStringLiteral("-condpath"), libraryPath, QStringLiteral("-crtreg"),
                         creator(), QStringLiteral("-restarths"), QStringLiteral("-quiet")});
        m_log.append(QStringLiteral("   Condutor de aplicações Satellite Forms ") + version() +
                     QStringLiteral(" provavelmente registrado!\r\n"));
        m_prompter.beep();
        m_prompter.warning(QStringLiteral("Condutor de aplicações Satellite Forms ") + version() +
                           QStringLiteral(" provavelmente registrado.\nReinicie a função!"));
        return;
    }
    m_log.append(QStringLiteral("> ") + notRegisteredText() + QStringLiteral(".\r\n"));
    m_prompter.beep();
    m_prompter.error(notRegisteredText() + u'.');
}

void SwitchSupportOn(HotSyncControl& control, SyncLog& log) {
    control.SetEnabled(true);
    log.append(QStringLiteral("> Suporte ativado."));
    log.append(QStringLiteral("> Aguardando o acionamento do HotSync® ...\r\n"));
}

void SwitchSupportOff(HotSyncControl& control, SyncLog& log) {
    control.SetEnabled(false);
    log.append(QStringLiteral("\r\n> Suporte HotSync® desativado.\r\n\r\n\r\n"));
}

}  // namespace ambitra
