#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace ambitra {

class HotSyncControl;
class Prompter;
class Registry;
class SyncLog;

// The HotSync conduit registration of the handheld application: HotSync serves
// the application only when the forms conduit is registered for its creator code.
// The check reads the desktop's registry; the registration runs the conduit
// installer tool shipped with the program.
class ConduitRegistration {
  public:
    static constexpr const char* kSatFormsVersion = "5.2";
    static constexpr const char* kCreatorCode = "QMRV";

    // Starts a program without waiting for it; false when it could not start.
    using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;

    // appDir: the program's folder. By default programs start detached.
    ConduitRegistration(Registry& registry, SyncLog& log, Prompter& prompter, QString appDir,
                        Starter starter = {});

    // The conduit library, runtime folder (under the program files folder) and
    // installer tool of a forms version; all empty for an unknown version.
    struct Runtime {
        QString library;
        QString folder;
        QString tool;
    };
    static Runtime runtimeFor(const QString& version);

    // The registry keys the registration lives in.
    static QString applicationKey(int number);
    static QString oemKey();
    // A creator code as the registry's 32-bit number, first letter highest.
    static quint32 creatorNumber(const QString& creatorCode);
    // The installer tool's file name on this platform.
    static QString toolFileName(const QString& tool);

    // True when a registration for the conduit library and our creator code
    // exists. A matching key whose "Creator" is missing or not a number raises.
    bool CheckConduit();
    // Starts the installer tool to register the conduit (and tells the user to
    // open the window again), or says that it cannot.
    void RegisterConduit();

  private:
    bool matches(const QString& key, const QString& library) const;

    Registry& m_registry;
    SyncLog& m_log;
    Prompter& m_prompter;
    QString m_appDir;
    Starter m_starter;
};

// "Ativar" and "Desativar": HotSync support on and off, with their log lines.
void SwitchSupportOn(HotSyncControl& control, SyncLog& log);
void SwitchSupportOff(HotSyncControl& control, SyncLog& log);

}  // namespace ambitra
