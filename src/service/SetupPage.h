#pragma once

#include "core/coletor/ServiceRequest.h"

#include <QByteArray>
#include <QString>

namespace ambitra {

// What the plain-HTTP port serves, and nothing of the register: GET / the
// setup page (the HTTPS address, the authority's fingerprint, how to install
// the authority on Android and iOS) and GET /autoridade.crt the authority.
class SetupPage {
  public:
    SetupPage(QString httpsAddress, QByteArray authorityDer, QString fingerprint);

    ServiceResponse handle(const ServiceRequest& request) const;

  private:
    QString m_httpsAddress;
    QByteArray m_authorityDer;
    QString m_fingerprint;
};

}  // namespace ambitra
