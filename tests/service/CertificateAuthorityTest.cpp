#include "service/CertificateAuthority.h"

#include "core/common/Error.h"
#include "support/TempAppDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;

namespace {

QStringList namesOf(const QSslCertificate& certificate) {
    QStringList names;
    const auto entries = certificate.subjectAlternativeNames();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        names << (it.key() == QSsl::DnsEntry ? u"DNS:" : u"IP:") + it.value();
    }
    names.sort();
    return names;
}

// The owner's, group's and others' bits (not those of the user running the test).
int modeOf(const QString& path) {
    return int(QFile::permissions(path)) & 0x7077;
}

}  // namespace

TEST(Certificates, TheAuthorityIsMadeOnceAndTheServerIsReissuedOnlyWhenItNoLongerServes) {
    test::TempAppDir dir;
    const QString folder = dir.file(QStringLiteral("Certificados"));
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    const QHostAddress office(QStringLiteral("10.0.0.5"));

    const ServiceCertificates first =
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {office}, now);
    EXPECT_TRUE(first.authorityMade && first.serverIssued);
    EXPECT_EQ(modeOf(folder), 0x7000);  // 0700
    for (const char* key : {"autoridade.key", "servidor.key"}) {
        EXPECT_EQ(modeOf(QDir(folder).filePath(QString::fromLatin1(key))), 0x6000) << key;
    }
    EXPECT_EQ(namesOf(first.server),
              QStringList({QStringLiteral("DNS:caixa"), QStringLiteral("DNS:localhost"),
                           QStringLiteral("IP:10.0.0.5"), QStringLiteral("IP:127.0.0.1")}));
    EXPECT_LE(first.server.effectiveDate().secsTo(first.server.expiryDate()), 397LL * 86400 + 3600);
    EXPECT_EQ(first.server.issuerDisplayName(), first.authority.subjectDisplayName());
    EXPECT_EQ(first.fingerprint().size(), 32 * 3 - 1);

    // A restart with the same names keeps both.
    const ServiceCertificates again =
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {office}, now.addDays(1));
    EXPECT_FALSE(again.authorityMade || again.serverIssued);
    EXPECT_EQ(again.server, first.server);
    EXPECT_EQ(again.fingerprint(), first.fingerprint());

    // A new address, or the end near: a new server certificate, the same authority.
    const QHostAddress wifi(QStringLiteral("192.168.1.9"));
    const ServiceCertificates moved =
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {office, wifi}, now.addDays(2));
    EXPECT_TRUE(moved.serverIssued);
    EXPECT_FALSE(moved.authorityMade);
    EXPECT_EQ(moved.fingerprint(), first.fingerprint());
    EXPECT_TRUE(namesOf(moved.server).contains(u"IP:192.168.1.9"));
    const ServiceCertificates late =
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {office, wifi}, now.addDays(372));
    EXPECT_TRUE(late.serverIssued);
    EXPECT_FALSE(
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {office, wifi}, now.addDays(373))
            .serverIssued);
}

TEST(Certificates, AnUnreadableAuthorityIsNeverReplaced) {
    test::TempAppDir dir;
    const QString folder = dir.file(QStringLiteral("Certificados"));
    loadOrMakeCertificates(folder, QStringLiteral("caixa"), {});
    const QString pem = QDir(folder).filePath(QStringLiteral("autoridade.pem"));
    test::writeAll(pem, "danificado");
    try {
        loadOrMakeCertificates(folder, QStringLiteral("caixa"), {});
        ADD_FAILURE() << "a damaged authority was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("A autoridade certificadora do coletor em %1 está incompleta ou "
                                 "ilegível. Restaure os arquivos autoridade.pem e autoridade.key "
                                 "ou apague a pasta para criar uma nova (os coletores terão de "
                                 "instalá-la de novo).")
                      .arg(folder));
    }
    EXPECT_EQ(test::readAll(pem), QByteArray("danificado"));
}
