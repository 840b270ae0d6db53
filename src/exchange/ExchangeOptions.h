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
};

TextOptions textOptionsOf(const Settings& settings);

// Why files written with these settings would not read back into the same
// register (for example a comma-separated file whose decimal mark is its
// separator and that has no qualifier to enclose the amounts in); empty when
// they do. The options dialog refuses such settings with this message, and a
// run refuses to start with it (a settings file edited by hand).
QString textOptionsProblem(const TextOptions& options);

}  // namespace ambitra
