#pragma once

#include <QString>

namespace ambitra {

// The ports the handheld service listens on when the settings name none.
constexpr int kDefaultColetorPort = 8443;       // HTTPS: the app and the API
constexpr int kDefaultColetorSetupPort = 8080;  // plain HTTP: the setup page

// The one in-memory settings record. The first block comes from the settings
// file; the second is fixed every time the file is read.
struct Settings {
    bool AutoId = false;
    QString CodeBar;  // "EAN8", "EAN13" or empty
    QString LastCode;
    bool UseDBF = false;
    bool UseSDF = false;
    bool UseTXT = false;
    bool UseCSV = false;
    QString Delimiter = QStringLiteral(",");
    QString DecimalPoint = QStringLiteral(".");
    QString TextQualifier = QStringLiteral("\"");
    QString DirDBF;
    QString DirSDF;
    QString DirTXT;
    QString DirCSV;
    QString LabelTitle;   // organisation name printed on asset labels
    bool Review = false;  // returned readings wait for review before they are applied
    // "Não" to bringing the old program's register over at start: not asked again.
    bool OldRegisterDeclined = false;
    // The handheld service (section [Coletor]): started with the window, the
    // listening address (empty: every address), the HTTPS port and the plain
    // port of the setup page.
    bool ColetorAtivo = false;
    QString ColetorEndereco;
    int ColetorPorta = kDefaultColetorPort;
    int ColetorPortaConfiguracao = kDefaultColetorSetupPort;

    QString DBProvider;
    QString DBMajor;
    QString DBMinor;
    QString DBName;
    int DBEngineType = 0;
};

// The separator of every comma-separated file the program writes and reads
// (exchange files, the log export, the count report): the delimiter setting
// when it is "," or ";", otherwise ",".
inline QString csvSeparator(const QString& delimiter) {
    return delimiter == QLatin1String(";") ? delimiter : QStringLiteral(",");
}

}  // namespace ambitra
