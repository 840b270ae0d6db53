#pragma once

#include <QDateTime>
#include <QString>

namespace ambitra {

// The handheld takes an unload as done as soon as its request table is answered,
// before the readings are applied. So every returned assets table is first kept
// in the program folder, under Recebidos/, named after the moment and the user's
// folder ("yyyymmdd-hhnnss-" + folder + "-BENS.DBF"); a copy is applied again
// with `ambitra-cli unload FILE --user NAME`.
class ReceivedCopy {
  public:
    static QString folder(const QString& appDir);
    static QString fileName(const QString& userFolder, const QDateTime& when);

    // Copies file into the folder (created when missing) and returns the copy's
    // path; raises an Error saying which copy could not be written.
    static QString keep(const QString& appDir, const QString& userFolder, const QString& file,
                        const QDateTime& when = QDateTime::currentDateTime());
};

}  // namespace ambitra
