#include "core/exchange/ExchangeOptions.h"

#include "core/data/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace ambitra {

namespace {

bool isDigitOrSign(QChar ch) {
    return (ch >= u'0' && ch <= u'9') || ch == u'-' || ch == u'+';
}

// The separator the comma-separated files use with this delimiter.
QString csvSeparator(const QString& delimiter) {
    return delimiter == QLatin1String(";") ? delimiter : QStringLiteral(",");
}

}  // namespace

TextOptions textOptionsOf(const Settings& settings) {
    return {settings.UseSDF,       settings.UseTXT,        settings.UseCSV, settings.Delimiter,
            settings.DecimalPoint, settings.TextQualifier, settings.DirSDF, settings.DirTXT};
}

QString textFolderProblem(const TextOptions& options, const QString& appDir) {
    if (!options.useSDF || !options.useTXT) {
        return {};
    }
    // The same folder however it is written (a trailing delimiter, a link).
    auto resolved = [&appDir](const QString& folder) {
        const QString path = QDir::cleanPath(QDir(appDir).absoluteFilePath(folder));
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return canonical.isEmpty() ? path : canonical;
    };
    if (resolved(options.dirSDF) != resolved(options.dirTXT)) {
        return {};
    }
    return QStringLiteral(
        "Texto de largura fixa e texto delimitado gravam arquivos de mesmo nome (.TXT): com os "
        "dois formatos habilitados, as pastas dos dois devem ser diferentes!");
}

QString textOptionsProblem(const TextOptions& options, const QString& appDir) {
    if (!options.useSDF && !options.useTXT && !options.useCSV) {
        return {};
    }
    if (const QString folders = textFolderProblem(options, appDir); !folders.isEmpty()) {
        return folders;
    }
    const QString& point = options.decimalPoint;
    // A digit or a sign as the decimal mark would be taken for part of the number.
    if (point.size() > 1 || (point.size() == 1 && isDigitOrSign(point.front()))) {
        return QStringLiteral(
            "Separador decimal deve ser um único caractere, que não seja algarismo nem sinal!");
    }
    if (!options.useCSV) {
        return {};
    }
    const QString separator = csvSeparator(options.delimiter);
    const QString& qualifier = options.textQualifier;
    // The qualifier is searched after leading blanks, and amounts and dates are
    // written without it: a blank, a digit, a sign or the separator cannot
    // enclose a value unambiguously.
    if (qualifier.size() > 1 ||
        (qualifier.size() == 1 && (qualifier.front().unicode() <= u' ' ||
                                   isDigitOrSign(qualifier.front()) || qualifier == separator))) {
        return QStringLiteral(
            "Qualificador de texto deve ser um único caractere, que não seja espaço, algarismo, "
            "sinal nem o delimitador do arquivo CSV!");
    }
    if (qualifier.isEmpty() && point == separator) {
        return QStringLiteral(
            "Separador decimal igual ao delimitador do arquivo CSV exige um qualificador de "
            "texto!");
    }
    return {};
}

}  // namespace ambitra
