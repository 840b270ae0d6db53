#pragma once

#include <QString>

namespace ambitra {

struct Settings;

// The text-format settings as the options dialog and a run both check them.
struct TextOptions {
    bool useSDF = false;
    bool useTXT = false;
    bool useCSV = false;
    QString delimiter;
    QString decimalPoint;
    QString textQualifier;
    // The folders of the two text formats (empty: the program folder).
    QString dirSDF;
    QString dirTXT;
};

TextOptions textOptionsOf(const Settings& settings);

// Fixed-width and delimited text files have the same names (OPERADOR.TXT, ...):
// both formats on with one folder would write each other's files. The message
// saying so, empty when they do not meet. appDir stands for an empty folder.
QString textFolderProblem(const TextOptions& options, const QString& appDir);

// Why files written with these settings would not read back into the same
// register (for example a comma-separated file whose decimal mark is its
// separator and that has no qualifier to enclose the amounts in); empty when
// they do. The options dialog refuses such settings with this message, and a
// run refuses to start with it (a settings file edited by hand).
QString textOptionsProblem(const TextOptions& options, const QString& appDir);

}  // namespace ambitra
