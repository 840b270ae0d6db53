#pragma once

#include "core/coletor/ServiceRequest.h"

#include <QString>

namespace ambitra {

// The app's files, from the program's resources only (never the disk): GET of
// a path under the resource folder (":/coletor" by default), "/" being
// index.html, with its media type; 404 for anything else, a path that leaves
// the folder included.
class StaticFiles {
  public:
    explicit StaticFiles(QString resourceRoot = QStringLiteral(":/coletor"));

    ServiceResponse handle(const ServiceRequest& request) const;

    // The media type by the file's extension (".wasm" is application/wasm).
    static QByteArray mediaType(const QString& fileName);

  private:
    QString m_root;
};

}  // namespace ambitra
