#include "core/coletor/ColetorApi.h"

#include "core/coletor/UnloadRequest.h"
#include "core/common/Coding.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/SyncLog.h"
#include "core/count/CountStore.h"
#include "core/inventory/InventoryStore.h"
#include "core/data/Connection.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/sync/HandheldLoad.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/LocationCheckList.h"
#include "core/sync/ReceivedCopy.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <thread>
#include <vector>

namespace ambitra {

namespace {

const QString kApi = QStringLiteral("/api/v1/");

ServiceResponse json(int status, const QJsonObject& object) {
    ServiceResponse response;
    response.status = status;
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return response;
}

ServiceResponse failure(int status, const QString& text) {
    return json(status, QJsonObject{{QStringLiteral("erro"), text}});
}

// A text as a JSON string, as the JSON module writes one: quote, backslash and
// control characters escaped, everything else in UTF-8.
void appendJsonText(QByteArray& out, const QString& text) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            // A run of other characters (surrogate pairs kept whole) at once.
            qsizetype end = i + 1;
            while (end < size && text[end].unicode() >= 0x80) {
                ++end;
            }
            out += QStringView(text).mid(i, end - i).toUtf8();
            i = end;
            continue;
        }
        ++i;
        switch (c) {
            case u'"':
                out += "\\\"";
                break;
            case u'\\':
                out += "\\\\";
                break;
            case u'\b':
                out += "\\b";
                break;
            case u'\f':
                out += "\\f";
                break;
            case u'\n':
                out += "\\n";
                break;
            case u'\r':
                out += "\\r";
                break;
            case u'\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xf];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

QJsonValue jsonText(const QVariant& value) {
    return value.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(value.toString());
}

// The object a request's body holds; none (error set) when it is not one.
std::optional<QJsonObject> objectOf(const QByteArray& body, QString& error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("Requisição inválida: JSON malformado na posição %1 (%2).")
                    .arg(parseError.offset)
                    .arg(parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = QStringLiteral("Requisição inválida: o corpo deve ser um objeto JSON.");
        return std::nullopt;
    }
    return document.object();
}

// The fields of the assets a load sends.
const QStringList& sentColumns() {
    static const QStringList names{QStringLiteral("BECODIGO"),   QStringLiteral("BENOME"),
                                   QStringLiteral("BELOCAL"),    QStringLiteral("BEFABRICA"),
                                   QStringLiteral("BESITUACAO"), QStringLiteral("BENSERIE")};
    return names;
}

// The coding setting as the device knows it: 0 none, 1 EAN-8, 2 EAN-13.
int codingNumber(const QString& codeBar) {
    switch (codingOf(codeBar)) {
        case Coding::EAN8:
            return 1;
        case Coding::EAN13:
            return 2;
        case Coding::None:
            break;
    }
    return 0;
}

// Collects the lines a run adds to the synchronisation log.
class LogLines {
  public:
    explicit LogLines(SyncLog& log) {
        m_connection = QObject::connect(&log, &SyncLog::linesAdded,
                                        [this](const QStringList& lines) { m_lines << lines; });
    }
    ~LogLines() { QObject::disconnect(m_connection); }
    QJsonArray array() const { return QJsonArray::fromStringList(m_lines); }

  private:
    QMetaObject::Connection m_connection;
    QStringList m_lines;
};

}  // namespace

ColetorApi::ColetorApi(TDados& dados, SyncLog& log, const LocationCheckList* marks, Clock clock)
    : m_dados(dados), m_log(log), m_marks(marks), m_clock(std::move(clock)) {}

QDateTime ColetorApi::now() const {
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QString ColetorApi::newPairingCode() {
    m_code = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10,
                                      QLatin1Char('0'));
    m_codeExpiry = now().addSecs(kCodeMinutes * 60);
    m_codeTries = 0;
    return m_code;
}

QString ColetorApi::pairingCode() const {
    return m_codeTries < kCodeTries ? m_code : QString();
}

QDateTime ColetorApi::pairingExpiry() const {
    return pairingCode().isEmpty() ? QDateTime() : m_codeExpiry;
}

QList<Device> ColetorApi::devices() {
    return DeviceStore(m_dados.Conn()).devices();
}

bool ColetorApi::revoke(int id) {
    return DeviceStore(m_dados.Conn()).revoke(id, now());
}

ServiceResponse ColetorApi::handle(const ServiceRequest& request) {
    if (!request.path.startsWith(kApi)) {
        return failure(404, QStringLiteral("Endereço desconhecido."));
    }
    const QString route = request.path.mid(kApi.size());
    const bool post = request.method == "POST";
    const bool get = request.method == "GET";
    try {
        if (m_dados.schemaVersion() < kSchemaVersion) {
            return failure(503, QStringLiteral("O coletor não pode ser usado com este banco de "
                                               "dados: ele não tem a versão de esquema 3 do "
                                               "Ambitra PC."));
        }
        if (route == QLatin1String("pair")) {
            return post ? pair(request.body)
                        : failure(405, QStringLiteral("Método não permitido."));
        }
        // Everything else only for a paired device not revoked.
        const QByteArray authorization = request.header("authorization");
        const QString token = QString::fromLatin1(
            authorization.startsWith("Bearer ") ? authorization.mid(7).trimmed() : QByteArray());
        std::optional<Device> device;
        if (token.size() == 64) {
            device = DeviceStore(m_dados.Conn()).contact(token, now());
        }
        if (!device) {
            return failure(401,
                           QStringLiteral("Coletor não pareado ou revogado. Pareie-o novamente."));
        }
        if (route == QLatin1String("locais") && get) {
            return locations();
        }
        if (route == QLatin1String("carga") && post) {
            return load(*device, request.body);
        }
        if (route == QLatin1String("descarga") && post) {
            return unload(*device, request.body);
        }
        if (route == QLatin1String("locais") || route == QLatin1String("carga") ||
            route == QLatin1String("descarga")) {
            return failure(405, QStringLiteral("Método não permitido."));
        }
        return failure(404, QStringLiteral("Endereço desconhecido."));
    } catch (const Error& error) {
        return failure(500, error.message());
    }
}

ServiceResponse ColetorApi::pair(const QByteArray& body) {
    QString error;
    const std::optional<QJsonObject> request = objectOf(body, error);
    if (!request) {
        return failure(400, error);
    }
    const QJsonValue code = request->value(QStringLiteral("codigo"));
    const QJsonValue name = request->value(QStringLiteral("nome"));
    const QString trimmed = name.toString().trimmed();
    bool printable = true;
    for (const QChar ch : trimmed) {
        printable = printable && ch.isPrint();
    }
    if (!code.isString() || !name.isString() || trimmed.isEmpty() || trimmed.size() > 40 ||
        !printable) {
        return failure(400, QStringLiteral("Requisição inválida: informe o código de pareamento "
                                           "e um nome de 1 a 40 caracteres para o coletor."));
    }
    if (m_code.isEmpty()) {
        return failure(403, QStringLiteral("Código de pareamento inválido."));
    }
    const QString blocked = QStringLiteral(
        "Código de pareamento bloqueado após 5 tentativas. Gere um novo código no computador.");
    if (m_codeTries >= kCodeTries) {
        return failure(403, blocked);
    }
    if (now() >= m_codeExpiry) {
        return failure(
            403,
            QStringLiteral("Código de pareamento expirado. Gere um novo código no computador."));
    }
    if (code.toString() != m_code) {
        ++m_codeTries;
        return failure(403, m_codeTries >= kCodeTries
                                ? blocked
                                : QStringLiteral("Código de pareamento inválido."));
    }
    DeviceStore store(m_dados.Conn());
    if (store.nameInUse(trimmed)) {
        return failure(409, QStringLiteral("Já existe um coletor com este nome."));
    }
    const QString token = DeviceStore::newToken();
    const int id = store.pair(trimmed, token, now());
    // One device per code: the next one is paired with a new code.
    m_code.clear();
    m_codeTries = 0;
    m_log.append(QStringLiteral("> Coletor %1 pareado (dispositivo %2).").arg(trimmed).arg(id));
    return json(200, QJsonObject{{QStringLiteral("token"), token},
                                 {QStringLiteral("dispositivo"), id},
                                 {QStringLiteral("nome"), trimmed}});
}

ServiceResponse ColetorApi::locations() {
    DataTable& locais = m_dados.TLocais();
    locais.openOrRequery();
    QJsonArray list;
    for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
        const QString code = locais.text(QStringLiteral("LOCODIGO"));
        const QString building = locais.text(QStringLiteral("LOPREDIO"));
        const QString department = locais.text(QStringLiteral("LODEPTO"));
        const QString room = locais.text(QStringLiteral("LOSALA"));
        bool marked = false;
        if (m_marks != nullptr) {
            const int item =
                m_marks->find(LocationCheckList::LocationLine(code, building, department, room));
            marked = item >= 0 && m_marks->item(item).checked;
        }
        list.append(QJsonArray{code, building, department, room, marked});
    }
    locais.first();
    return json(200, QJsonObject{{QStringLiteral("locais"), list}});
}

void ColetorApi::prepareOperatorKeys(const QList<std::pair<QString, QString>>& passwords) {
    // Made again only for a new operator or a changed password, the slow hashes
    // of many operators share the processors.
    QList<std::pair<QString, OperatorKey>> missing;
    for (const auto& [code, password] : passwords) {
        const auto known = m_operatorKeys.constFind(code);
        if (known == m_operatorKeys.cend() || known->password != password) {
            OperatorKey key{password, QByteArray(16, Qt::Uninitialized), {}};
            QRandomGenerator::system()->generate(key.salt.begin(), key.salt.end());
            missing.append({code, key});
        }
    }
    const qsizetype workers = std::clamp<qsizetype>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::thread> threads;
    for (qsizetype w = 0; w < std::min(workers, missing.size()); ++w) {
        threads.emplace_back([&missing, w, workers] {
            for (qsizetype i = w; i < missing.size(); i += workers) {
                OperatorKey& key = missing[i].second;
                key.hash = QPasswordDigestor::deriveKeyPbkdf2(
                    QCryptographicHash::Sha256, key.password.toUtf8(), key.salt, kIterations, 32);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& [code, key] : std::as_const(missing)) {
        m_operatorKeys.insert(code, key);
    }
}

ServiceResponse ColetorApi::load(const Device& device, const QByteArray& body) {
    QString error;
    const std::optional<QJsonObject> request = objectOf(body, error);
    if (!request) {
        return failure(400, error);
    }
    const QJsonValue chosen = request->value(QStringLiteral("locais"));
    if (!chosen.isArray() || chosen.toArray().isEmpty()) {
        return failure(400, QStringLiteral("Requisição inválida: escolha ao menos um local."));
    }
    // The device's marks on a list of every location, as the window's list is.
    DataTable& locais = m_dados.TLocais();
    locais.openOrRequery();
    LocationCheckList marks;
    marks.fill(locais);
    QStringList codes;
    for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
        codes << locais.text(QStringLiteral("LOCODIGO"));
    }
    QStringList marked;
    for (const QJsonValue& value : chosen.toArray()) {
        const qsizetype item = value.isString() ? codes.indexOf(value.toString()) : -1;
        if (item < 0) {
            return failure(
                400, QStringLiteral("Local %1 não cadastrado.")
                         .arg(value.isString() ? value.toString() : QStringLiteral("inválido")));
        }
        marks.setChecked(static_cast<int>(item), true);
    }
    for (int i = 0; i < marks.count(); ++i) {
        if (marks.item(i).checked) {
            marked << codes[i];
        }
    }
    m_log.append(
        QStringLiteral("> Carga de arquivos solicitada pelo coletor %1...").arg(device.name));
    QJsonArray operators;
    QJsonArray statuses;
    QJsonArray sentLocations;
    QJsonArray assets;
    QList<SentAsset> sent;
    // A load of a blind inventory tells the device nothing of where its assets
    // are expected: it shows neither the expected list nor "belongs elsewhere".
    const bool blind = InventoryStore(m_dados).blindLoad(marked);
    struct OperatorRow {
        QString code;
        QVariant name;
        QString password;  // empty for none
    };
    QList<OperatorRow> operatorRows;
    // Opening the condition codes gives an empty table its defaults: a write,
    // before the view that only reads.
    DataTable& status = m_dados.TStatus();
    status.openOrRequery();
    {
        // One view of the register, as the handheld load reads it.
        ReadSnapshot snapshot(m_dados.Conn());
        DataTable& operadores = m_dados.TOperadores();
        operadores.openOrRequery();
        for (operadores.first(); !operadores.eof() && !operadores.isEmpty(); operadores.next()) {
            operatorRows.append({operadores.text(QStringLiteral("OPCODIGO")),
                                 operadores.value(QStringLiteral("OPNOME")),
                                 operadores.text(QStringLiteral("OPSENHA"))});
        }
        operadores.first();
        status.requery();
        for (status.first(); !status.eof() && !status.isEmpty(); status.next()) {
            statuses.append(QJsonArray{status.text(QStringLiteral("STCODIGO")),
                                       jsonText(status.value(QStringLiteral("STTEXTO")))});
        }
        status.first();
        locais.requery();
        for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
            const QString code = locais.text(QStringLiteral("LOCODIGO"));
            const QString building = locais.text(QStringLiteral("LOPREDIO"));
            const QString department = locais.text(QStringLiteral("LODEPTO"));
            const QString room = locais.text(QStringLiteral("LOSALA"));
            if (HandheldLoad::Sends(marks, false, code, building, department, room)) {
                sentLocations.append(QJsonArray{code, building, department, room});
            }
        }
        locais.first();
        DataTable& bens = m_dados.TBens();
        bens.openOrRequery();
        QList<int> columns;
        for (const QString& name : sentColumns()) {
            columns << bens.fieldIndex(name);
        }
        const int parts[] = {
            bens.fieldIndex(QStringLiteral("BELOCAL")), bens.fieldIndex(QStringLiteral("LOPREDIO")),
            bens.fieldIndex(QStringLiteral("LODEPTO")), bens.fieldIndex(QStringLiteral("LOSALA"))};
        QHash<QString, bool> sendsLocation;  // the assets of a location all go or all stay
        for (bens.first(); !bens.eof() && !bens.isEmpty(); bens.next()) {
            const QList<QVariant> row = bens.values();
            const QString location = row.at(parts[0]).toString();
            auto decided = sendsLocation.constFind(location);
            if (decided == sendsLocation.constEnd()) {
                decided = sendsLocation.insert(
                    location,
                    HandheldLoad::Sends(marks, true, location, row.at(parts[1]).toString(),
                                        row.at(parts[2]).toString(), row.at(parts[3]).toString()));
            }
            if (!*decided) {
                continue;
            }
            QJsonArray line;
            for (int column : columns) {
                line.append(blind && column == parts[0] ? QJsonValue(QJsonValue::Null)
                                                        : jsonText(row.at(column)));
            }
            assets.append(line);
            sent.append({row.at(columns[0]).toString(), row.at(parts[0])});
        }
        bens.first();
    }
    QList<std::pair<QString, QString>> passwords;
    for (const OperatorRow& row : std::as_const(operatorRows)) {
        if (!row.password.isEmpty()) {
            passwords.append({row.code, row.password});
        }
    }
    prepareOperatorKeys(passwords);
    for (const OperatorRow& row : std::as_const(operatorRows)) {
        QJsonObject entry{{QStringLiteral("codigo"), row.code},
                          {QStringLiteral("nome"), jsonText(row.name)},
                          {QStringLiteral("iteracoes"), kIterations},
                          {QStringLiteral("sal"), QJsonValue::Null},
                          {QStringLiteral("hash"), QJsonValue::Null}};
        if (!row.password.isEmpty()) {
            const OperatorKey& key = m_operatorKeys[row.code];
            entry.insert(QStringLiteral("sal"), QString::fromLatin1(key.salt.toHex()));
            entry.insert(QStringLiteral("hash"), QString::fromLatin1(key.hash.toHex()));
        }
        operators.append(entry);
    }
    int count = 0;
    QStringList notes;
    try {
        count = CountStore(m_dados).openCount(device.name, marked, sent, &notes);
    } catch (const Error& error) {
        // The device has nothing to count against: it asks again.
        m_log.appendError(QStringLiteral("> ") + error.message());
        throw;
    }
    m_log.append(QStringLiteral("   Carga de %1 operadores, %2 locais e %3 bens preparada para o "
                                "coletor %4 (contagem %5).")
                     .arg(operators.size())
                     .arg(sentLocations.size())
                     .arg(assets.size())
                     .arg(device.name)
                     .arg(count));
    for (const QString& note : std::as_const(notes)) {
        m_log.append(note);
    }
    return json(
        200, QJsonObject{
                 {QStringLiteral("contagem"), count},
                 {QStringLiteral("cego"), blind},
                 {QStringLiteral("codificacao"), codingNumber(m_dados.settings().CodeBar)},
                 {QStringLiteral("operadores"), operators},
                 {QStringLiteral("status"), statuses},
                 {QStringLiteral("locais"), sentLocations},
                 {QStringLiteral("bens"),
                  QJsonObject{{QStringLiteral("campos"), QJsonArray::fromStringList(sentColumns())},
                              {QStringLiteral("linhas"), assets}}}});
}

ServiceResponse ColetorApi::unload(const Device& device, const QByteArray& body) {
    UnloadRequest::Known known;
    {
        ReadSnapshot snapshot(m_dados.Conn());
        DataTable& locais = m_dados.TLocais();
        locais.openOrRequery();
        for (locais.first(); !locais.eof() && !locais.isEmpty(); locais.next()) {
            known.locations.insert(locais.text(QStringLiteral("LOCODIGO")));
        }
        locais.first();
        DataTable& operadores = m_dados.TOperadores();
        operadores.openOrRequery();
        for (operadores.first(); !operadores.eof() && !operadores.isEmpty(); operadores.next()) {
            const QVariant name = operadores.value(QStringLiteral("OPNOME"));
            if (!name.isNull()) {
                known.operators.insert(name.toString());
            }
        }
        operadores.first();
    }
    UnloadRequest request;
    if (!request.parse(body, known)) {
        return failure(400, request.error());
    }
    CountStore store(m_dados);
    if (store.user(request.count()) != device.name) {
        return failure(400,
                       QStringLiteral("Requisição inválida: a contagem %1 não é deste coletor.")
                           .arg(request.count()));
    }
    // A reading already kept (an answer lost on the way, sent again) or repeated
    // in this request is applied once.
    QStringList ids;
    for (const Reading& reading : request.readings()) {
        ids << reading.id;
    }
    const QHash<QString, CountStore::HeldReading> before = store.heldReadings(ids);
    QList<const Reading*> fresh;
    QStringList freshIds;
    QSet<QString> taken;
    for (const Reading& reading : request.readings()) {
        if (!before.contains(reading.id) && !taken.contains(reading.id)) {
            taken.insert(reading.id);
            fresh << &reading;
            freshIds << reading.id;
        }
    }
    LogLines lines(m_log);
    QHash<QString, CountStore::HeldReading> kept;
    if (!fresh.isEmpty()) {
        m_log.append(QStringLiteral("> Descarga de %1 leituras recebida do coletor %2...")
                         .arg(fresh.size())
                         .arg(device.name));
        // Kept first as a returned assets table under Recebidos: it can be applied
        // again with the command line's unload, as a HotSync's copy can.
        QTemporaryDir scratch;
        const QString file = QStringLiteral("BENS.DBF");
        QString copy;
        try {
            if (!scratch.isValid()) {
                throw Error(
                    QStringLiteral("Não foi possível criar uma pasta temporária para as "
                                   "leituras recebidas."));
            }
            m_dados.CreateDBFTable(scratch.path(), file);
            THalcyonDataSet dbf;
            dbf.SetDatabaseName(scratch.path());
            dbf.SetTableName(file);
            dbf.Open();
            dbf.BeginBulkAppend();
            for (const Reading* reading : std::as_const(fresh)) {
                dbf.Insert();
                for (int field = 0; field < Reading::FieldCount; ++field) {
                    if (!reading->stored(field).isNull()) {
                        dbf.FieldByName(Reading::fieldName(field))
                            .SetAsVariant(reading->stored(field));
                    }
                }
                dbf.FieldByName(QStringLiteral("BEFLAG")).SetAsString(QStringLiteral("X"));
                dbf.Post();
            }
            dbf.EndBulkAppend();
            dbf.Close();
            // Two unloads of a device within one second get names of their own.
            const QDateTime when = now();
            const QString base = QStringLiteral("Coletor%1").arg(device.id);
            QString folder = base;
            for (int n = 2; QFileInfo::exists(QDir(ReceivedCopy::folder(m_dados.AppDir()))
                                                  .filePath(ReceivedCopy::fileName(folder, when)));
                 ++n) {
                folder = base + QStringLiteral("-%1").arg(n);
            }
            copy = ReceivedCopy::keep(m_dados.AppDir(), folder, QDir(scratch.path()).filePath(file),
                                      when);
        } catch (const Error& error) {
            // Nothing is applied that is not kept: the device sends it again.
            m_log.appendError(QStringLiteral("> ") + error.message());
            return failure(500, error.message());
        }
        InventoryUnload unload(m_dados, m_log, noProgress());
        unload.setReadingIds(freshIds);
        try {
            unload.ProcessFile(device.name, copy);
        } catch (const Error& error) {
            m_log.appendError(QStringLiteral("> ") + error.message());
            return failure(500, error.message());
        }
        if (!unload.completed()) {
            return failure(500, QStringLiteral("As leituras não foram aplicadas. Veja as "
                                               "mensagens da sincronização no computador."));
        }
        kept = store.heldReadings(freshIds);
    }
    const bool review = m_dados.settings().Review;
    // Written as the JSON module writes an object (compact, its keys in order)
    // without making one for each of thousands of readings.
    QByteArray answer = "{\"leituras\":[";
    answer.reserve(request.readings().size() * 64 + 256);
    QSet<QString> answered;
    for (const Reading& reading : request.readings()) {
        QString state;
        QString message;
        const auto held = kept.constFind(reading.id);
        if (answered.contains(reading.id) || before.contains(reading.id)) {
            state = QStringLiteral("já recebida");
            message = QStringLiteral("Leitura já recebida antes; não foi aplicada de novo.");
        } else if (held == kept.constEnd()) {
            state = QStringLiteral("recusada");
            message = QStringLiteral("A leitura não foi guardada.");
        } else if (held->state == QLatin1String(CountStore::kApplied)) {
            state = QStringLiteral("aplicada");
        } else if (review) {
            state = QStringLiteral("em revisão");
            message = QStringLiteral("Aguardando conferência no computador.");
        } else {
            // Held in the count by the unload: a code that fails the coding's
            // check digit, or a record the register refused.
            state = QStringLiteral("recusada");
            message = held->invalid ? QStringLiteral(
                                          "Código inválido no %1: a leitura aguarda conferência "
                                          "no computador.")
                                          .arg(codingCaption(codingOf(m_dados.settings().CodeBar)))
                                    : QStringLiteral(
                                          "A leitura não pôde ser aplicada: ela aguarda "
                                          "conferência no computador.");
        }
        answered.insert(reading.id);
        if (answer.back() != '[') {
            answer += ',';
        }
        answer += "{\"estado\":";
        appendJsonText(answer, state);
        answer += ",\"id\":";
        appendJsonText(answer, reading.id);
        answer += ",\"mensagem\":";
        appendJsonText(answer, message);
        answer += '}';
    }
    answer += "],\"mensagens\":";
    answer += QJsonDocument(lines.array()).toJson(QJsonDocument::Compact);
    answer += '}';
    ServiceResponse response;
    response.body = std::move(answer);
    return response;
}

}  // namespace ambitra
