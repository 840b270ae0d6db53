#include "service/CertificateAuthority.h"

#include "core/common/Error.h"
#include "core/common/FileAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QSaveFile>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace ambitra {

namespace {

template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T* p) const {
        Free(p);
    }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Freer<X509_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO_free_all>>;
using Number = std::unique_ptr<BIGNUM, Freer<BN_free>>;

const QString kAuthorityPem = QStringLiteral("autoridade.pem");
const QString kAuthorityKey = QStringLiteral("autoridade.key");
const QString kServerPem = QStringLiteral("servidor.pem");
const QString kServerKey = QStringLiteral("servidor.key");
constexpr int kAuthorityDays = 3650;
constexpr int kServerDays = 397;
constexpr int kRenewDays = 30;

Error failure(const QString& what) {
    return Error(
        QStringLiteral("Não foi possível criar os certificados do coletor: %1.").arg(what));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        throw failure(QStringLiteral("não foi possível gravar %1").arg(path));
    }
}

Certificate readCertificate(const QByteArray& pem) {
    Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    return Certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

Key readKey(const QByteArray& pem) {
    Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    return Key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

QByteArray bioBytes(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, size);
}

QByteArray certificatePem(X509* certificate) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), certificate) != 1) {
        throw failure(QStringLiteral("erro ao escrever o certificado"));
    }
    return bioBytes(bio.get());
}

QByteArray keyPem(EVP_PKEY* key) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio ||
        PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        throw failure(QStringLiteral("erro ao escrever a chave"));
    }
    return bioBytes(bio.get());
}

Key makeKey() {
    Key key(EVP_EC_gen("P-256"));
    if (!key) {
        throw failure(QStringLiteral("erro ao gerar a chave"));
    }
    return key;
}

void addExtension(X509* certificate, X509V3_CTX* context, int nid, const QByteArray& value) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, context, nid, value.constData());
    const bool added = extension && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    if (!added) {
        throw failure(QStringLiteral("extensão %1 recusada").arg(QString::fromLatin1(value)));
    }
}

// A certificate for the key, signed by the issuer (itself when none): the
// authority's or a server's, by the extensions given.
Certificate makeCertificate(EVP_PKEY* key, const QString& commonName, X509* issuer,
                            EVP_PKEY* issuerKey, const QDateTime& now, int days,
                            const QList<std::pair<int, QByteArray>>& extensions) {
    Certificate certificate(X509_new());
    Number serial(BN_new());
    bool ok = certificate && serial && X509_set_version(certificate.get(), X509_VERSION_3) == 1 &&
              BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
              BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get()));
    // An hour back, for devices whose clock is a little behind.
    const time_t start = time_t(now.toSecsSinceEpoch()) - 3600;
    ok = ok && ASN1_TIME_set(X509_getm_notBefore(certificate.get()), start) &&
         ASN1_TIME_set(X509_getm_notAfter(certificate.get()),
                       time_t(now.addDays(days).toSecsSinceEpoch())) &&
         X509_set_pubkey(certificate.get(), key) == 1;
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const QByteArray cn = commonName.toUtf8();
    ok =
        ok &&
        X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>("Ambitra"), -1, -1,
                                   0) == 1 &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1,
                                   0) == 1 &&
        X509_set_issuer_name(certificate.get(), issuer ? X509_get_subject_name(issuer) : name) == 1;
    if (!ok) {
        throw failure(QStringLiteral("erro ao montar o certificado"));
    }
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer : certificate.get(), certificate.get(), nullptr,
                   nullptr, 0);
    for (const auto& [nid, value] : extensions) {
        addExtension(certificate.get(), &context, nid, value);
    }
    if (X509_sign(certificate.get(), issuerKey ? issuerKey : key, EVP_sha256()) <= 0) {
        throw failure(QStringLiteral("erro ao assinar o certificado"));
    }
    return certificate;
}

QStringList namesOf(const QSslCertificate& certificate) {
    QStringList names;
    const auto entries = certificate.subjectAlternativeNames();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key() == QSsl::DnsEntry) {
            names << u"DNS:" + it.value().toLower();
        } else if (it.key() == QSsl::IpAddressEntry) {
            names << u"IP:" + QHostAddress(it.value()).toString();
        }
    }
    names.sort();
    names.removeDuplicates();
    return names;
}

// The server certificate of the folder still serves: whole, the authority's,
// with exactly these names, and not near its end.
bool serverStillServes(X509* server, EVP_PKEY* serverKey, EVP_PKEY* authorityKey,
                       const QStringList& names, const QDateTime& now) {
    if (!server || !serverKey || X509_check_private_key(server, serverKey) != 1 ||
        X509_verify(server, authorityKey) != 1) {
        return false;
    }
    const QSslCertificate certificate(certificatePem(server), QSsl::Pem);
    return certificate.effectiveDate() <= now &&
           certificate.expiryDate() > now.addDays(kRenewDays) && namesOf(certificate) == names;
}

}  // namespace

QString ServiceCertificates::fingerprint() const {
    return QString::fromLatin1(authority.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

QStringList certificateNames(const QString& hostName, const QList<QHostAddress>& addresses) {
    QStringList names = {QStringLiteral("DNS:localhost"), QStringLiteral("IP:127.0.0.1")};
    // Only what a name may hold: a host name of other characters is left out.
    static const QRegularExpression hostLike(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*)$"));
    if (hostLike.match(hostName).hasMatch()) {
        names << u"DNS:" + hostName.toLower();
    }
    for (QHostAddress address : addresses) {
        // Link-local IPv6 addresses need a zone no certificate can name.
        if (address.isNull() || address.isLinkLocal()) {
            continue;
        }
        address.setScopeId(QString());
        names << u"IP:" + address.toString();
    }
    names.sort();
    names.removeDuplicates();
    return names;
}

ServiceCertificates loadOrMakeCertificates(const QString& folder, const QString& hostName,
                                           const QList<QHostAddress>& addresses,
                                           const QDateTime& now) {
    const QDir dir(folder);
    if (!makePrivatePath(folder) ||
        !QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        throw failure(QStringLiteral("não foi possível criar a pasta %1").arg(folder));
    }
    ServiceCertificates result;

    const QString authorityPemPath = dir.filePath(kAuthorityPem);
    const QString authorityKeyPath = dir.filePath(kAuthorityKey);
    Certificate authority;
    Key authorityKey;
    if (!QFileInfo::exists(authorityPemPath) && !QFileInfo::exists(authorityKeyPath)) {
        authorityKey = makeKey();
        const QByteArray basic = "critical,CA:TRUE,pathlen:0";
        authority = makeCertificate(
            authorityKey.get(),
            QStringLiteral("Autoridade certificadora do Ambitra (%1)").arg(hostName.left(32)),
            nullptr, nullptr, now, kAuthorityDays,
            {{NID_basic_constraints, basic},
             {NID_key_usage, "critical,keyCertSign,cRLSign"},
             {NID_subject_key_identifier, "hash"}});
        // The key first: a certificate without its key would stop every start.
        writeFile(authorityKeyPath, keyPem(authorityKey.get()));
        writeFile(authorityPemPath, certificatePem(authority.get()));
        result.authorityMade = true;
    } else {
        authority = readCertificate(readFile(authorityPemPath));
        authorityKey = readKey(readFile(authorityKeyPath));
        if (!authority || !authorityKey ||
            X509_check_private_key(authority.get(), authorityKey.get()) != 1) {
            throw Error(QStringLiteral(
                            "A autoridade certificadora do coletor em %1 está incompleta ou "
                            "ilegível. Restaure os arquivos %2 e %3 ou apague a pasta para criar "
                            "uma nova (os coletores terão de instalá-la de novo).")
                            .arg(QDir::toNativeSeparators(folder), kAuthorityPem, kAuthorityKey));
        }
    }

    const QStringList names = certificateNames(hostName, addresses);
    const QString serverPemPath = dir.filePath(kServerPem);
    const QString serverKeyPath = dir.filePath(kServerKey);
    Certificate server = readCertificate(readFile(serverPemPath));
    Key serverKey = readKey(readFile(serverKeyPath));
    if (!serverStillServes(server.get(), serverKey.get(), authorityKey.get(), names, now)) {
        serverKey = makeKey();
        const QByteArray alternative = names.join(u',').toLatin1();
        server = makeCertificate(
            serverKey.get(),
            hostName.left(64).isEmpty() ? QStringLiteral("localhost") : hostName.left(64),
            authority.get(), authorityKey.get(), now, kServerDays,
            {{NID_basic_constraints, "critical,CA:FALSE"},
             {NID_key_usage, "critical,digitalSignature"},
             {NID_ext_key_usage, "serverAuth"},
             {NID_subject_key_identifier, "hash"},
             {NID_authority_key_identifier, "keyid:always"},
             {NID_subject_alt_name, alternative}});
        writeFile(serverKeyPath, keyPem(serverKey.get()));
        writeFile(serverPemPath, certificatePem(server.get()));
        result.serverIssued = true;
    }

    result.authority = QSslCertificate(certificatePem(authority.get()), QSsl::Pem);
    result.server = QSslCertificate(certificatePem(server.get()), QSsl::Pem);
    result.serverKey = QSslKey(keyPem(serverKey.get()), QSsl::Ec, QSsl::Pem);
    return result;
}

}  // namespace ambitra
