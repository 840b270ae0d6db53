#include "core/coletor/ColetorApi.h"
#include "core/common/Progress.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/Schema.h"
#include "core/inventory/InventoryStore.h"
#include "core/sync/HandheldLoad.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/ReceivedCopy.h"
#include "core/sync/SyncFixture.h"
#include "support/ProgramRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPasswordDigestor>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kUnpaired = QStringLiteral("Coletor não pareado ou revogado. Pareie-o novamente.");

QJsonObject object(const ServiceResponse& response) {
    return QJsonDocument::fromJson(response.body).object();
}

QString erro(const ServiceResponse& response) {
    return object(response).value(QStringLiteral("erro")).toString();
}

// A register with operators, locations and assets, and the service over it.
struct Coletor : ::testing::Test, SyncFixture {
    QDateTime clock = QDateTime(QDate(2026, 12, 10), QTime(9, 0));
    ColetorApi api{db.dados(), log, &locations, [this] { return clock; }};

    void SetUp() override { arrange(db); }

    static void arrange(TestDatabase& register_) {
        register_.exec(QStringLiteral(
            "INSERT INTO Operadores VALUES ('01', 'abc', 'Ana'), ('02', NULL, 'Rui')"));
        register_.exec(QStringLiteral(
            "INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), ('0202', 'P2', NULL, NULL), "
            "('0303', NULL, NULL, NULL), ('a', NULL, NULL, NULL)"));
        register_.exec(QStringLiteral(
            "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BENSERIE) VALUES "
            "('1', 'Mesa', '0101', '01', NULL), ('2', 'Cadeira', '0202', '01', 'S-9'), "
            "('3', 'Armário', '0303', 'BO', NULL), ('4', 'Sem local', NULL, NULL, NULL), "
            "('5', 'Local apagado', '9999', NULL, NULL), ('6', 'Maiúscula', 'A', NULL, NULL)"));
    }

    ServiceResponse call(const char* method, const char* route, const QByteArray& body = {},
                         const QString& token = {}) {
        ServiceRequest request;
        request.method = method;
        request.path = QStringLiteral("/api/v1/") + QLatin1String(route);
        request.body = body;
        if (!token.isEmpty()) {
            request.headers.insert("authorization", "Bearer " + token.toLatin1());
        }
        return api.handle(request);
    }

    ServiceResponse pair(const QString& code, const QString& name) {
        return call("POST", "pair",
                    QJsonDocument(QJsonObject{{QStringLiteral("codigo"), code},
                                              {QStringLiteral("nome"), name}})
                        .toJson());
    }

    QString paired(const QString& name = QStringLiteral("Equipe 1")) {
        const ServiceResponse response = pair(api.newPairingCode(), name);
        EXPECT_EQ(response.status, 200) << response.body.constData();
        return object(response).value(QStringLiteral("token")).toString();
    }

    int load(const QString& token, const QStringList& codes) {
        const ServiceResponse response =
            call("POST", "carga",
                 QJsonDocument(
                     QJsonObject{{QStringLiteral("locais"), QJsonArray::fromStringList(codes)}})
                     .toJson(),
                 token);
        EXPECT_EQ(response.status, 200) << response.body.constData();
        return object(response).value(QStringLiteral("contagem")).toInt();
    }

    ServiceResponse unload(const QString& token, int count, const QJsonArray& readings) {
        return call("POST", "descarga",
                    QJsonDocument(QJsonObject{{QStringLiteral("contagem"), count},
                                              {QStringLiteral("leituras"), readings}})
                        .toJson(),
                    token);
    }

    static QStringList states(const ServiceResponse& response) {
        QStringList list;
        for (const QJsonValue& v : object(response).value(QStringLiteral("leituras")).toArray()) {
            list << v[QStringLiteral("id")].toString() + u'=' +
                        v[QStringLiteral("estado")].toString();
        }
        return list;
    }

    static QStringList logRows(TestDatabase& register_) {
        return register_.column(QStringLiteral(
            "SELECT LGBEM || '|' || LGUSUARIO || '|' || coalesce(LGOPERADOR, '') || '|' || "
            "LGOCORRENC FROM Log ORDER BY rowid"));
    }

    // Everything an unload can change.
    QStringList registerState() {
        QStringList state = db.column(QStringLiteral(
            "SELECT BECODIGO || '|' || coalesce(BELOCAL, '') || '|' || coalesce(BESITUACAO, '') "
            "|| '|' || coalesce(BENSERIE, '') || '|' || coalesce(BEULTOPE, '') FROM Bens ORDER BY "
            "BECODIGO"));
        state << logRows(db);
        state << db.column(QStringLiteral("SELECT COUNT(*) FROM Leituras"));
        state << QDir(ReceivedCopy::folder(db.dados().AppDir()))
                     .entryList(QDir::Files | QDir::NoDotAndDotDot);
        return state;
    }
};

QJsonObject reading(const char* id, const char* code, const char* location) {
    return {{QStringLiteral("id"), QLatin1String(id)},
            {QStringLiteral("BECODIGO"), QLatin1String(code)},
            {QStringLiteral("BELOCAL"), QLatin1String(location)},
            {QStringLiteral("BEULTOPE"), QStringLiteral("Ana")},
            {QStringLiteral("BEULTINV"), QStringLiteral("2026-12-10")}};
}

QJsonObject with(QJsonObject r, const char* field, const QJsonValue& value) {
    r.insert(QLatin1String(field), value);
    return r;
}

QJsonObject with(QJsonObject r, const char* field, const char* text) {
    return with(std::move(r), field, QJsonValue(QString::fromUtf8(text)));
}

}  // namespace

TEST_F(Coletor, APairingCodeExpiresEndsAfterFiveWrongTriesAndPairsOneDevice) {
    EXPECT_EQ(pair(QStringLiteral("000000"), QStringLiteral("X")).status, 403);
    const QString code = api.newPairingCode();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]{6}$")).match(code).hasMatch());
    EXPECT_EQ(api.pairingExpiry(), clock.addSecs(600));
    clock = clock.addSecs(600);
    ServiceResponse expired = pair(code, QStringLiteral("Equipe 1"));
    EXPECT_EQ(expired.status, 403);
    EXPECT_EQ(erro(expired),
              QStringLiteral("Código de pareamento expirado. Gere um novo código no computador."));

    const QString second = api.newPairingCode();
    const QString wrong =
        second == QLatin1String("123456") ? QStringLiteral("654321") : QStringLiteral("123456");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(erro(pair(wrong, QStringLiteral("Equipe 1"))),
                  QStringLiteral("Código de pareamento inválido."));
    }
    const QString blocked = QStringLiteral(
        "Código de pareamento bloqueado após 5 tentativas. Gere um novo código no computador.");
    EXPECT_EQ(erro(pair(wrong, QStringLiteral("Equipe 1"))), blocked);
    EXPECT_EQ(erro(pair(second, QStringLiteral("Equipe 1"))), blocked);
    EXPECT_TRUE(api.pairingCode().isEmpty());

    const QString third = api.newPairingCode();
    const ServiceResponse ok = pair(third, QStringLiteral("  Equipe 1 "));
    ASSERT_EQ(ok.status, 200);
    EXPECT_EQ(object(ok), (QJsonObject{{QStringLiteral("token"), object(ok)[u"token"_s]},
                                       {QStringLiteral("dispositivo"), 1},
                                       {QStringLiteral("nome"), QStringLiteral("Equipe 1")}}));
    // One device per code; a name in use is refused without spending the code.
    EXPECT_EQ(erro(pair(third, QStringLiteral("Equipe 2"))),
              QStringLiteral("Código de pareamento inválido."));
    const QString fourth = api.newPairingCode();
    const ServiceResponse clash = pair(fourth, QStringLiteral("Equipe 1"));
    EXPECT_EQ(clash.status, 409);
    EXPECT_EQ(erro(clash), QStringLiteral("Já existe um coletor com este nome."));
    EXPECT_EQ(pair(fourth, QStringLiteral("Equipe 2")).status, 200);
}

TEST_F(Coletor, TheTokenIsKeptHashedAndARevokedDeviceIsRefused) {
    const QString token = paired();
    ASSERT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(token).hasMatch());
    EXPECT_EQ(db.column(QStringLiteral("SELECT DITOKEN FROM Dispositivos")),
              QStringList{QString::fromLatin1(
                  QCryptographicHash::hash(token.toLatin1(), QCryptographicHash::Sha256).toHex())});
    EXPECT_TRUE(api.devices().value(0).lastContact.isNull());

    clock = clock.addSecs(60);
    EXPECT_EQ(call("GET", "locais", {}, token).status, 200);
    EXPECT_EQ(api.devices().value(0).lastContact, clock);
    QString other = token;
    other[0] = other[0] == u'0' ? u'1' : u'0';
    EXPECT_EQ(erro(call("GET", "locais", {}, other)), kUnpaired);
    EXPECT_EQ(call("GET", "locais").status, 401);

    EXPECT_TRUE(api.revoke(1));
    EXPECT_FALSE(api.revoke(1));
    const ServiceResponse revoked = call("GET", "locais", {}, token);
    EXPECT_EQ(revoked.status, 401);
    EXPECT_EQ(erro(revoked), kUnpaired);
    EXPECT_EQ(call("POST", "descarga", "{}", token).status, 401);
    // Its name is free again.
    EXPECT_FALSE(paired().isEmpty());
}

TEST_F(Coletor, TheLoadSendsWhatTheHandheldLoadSendsAndOpensACountForTheDevice) {
    const QString token = paired();
    TDados& d = db.dados();
    for (DataTable* table : {&d.TOperadores(), &d.TLocais(), &d.TBens()}) {
        table->open();
    }
    locations.fill(d.TLocais());
    locations.setChecked(1, true);  // 0202: preselected on the device
    const QJsonArray offered = object(call("GET", "locais", {}, token))[u"locais"_s].toArray();
    EXPECT_EQ(offered, (QJsonArray{QJsonArray{u"0101"_s, u"P1"_s, u"ADM"_s, u"S1"_s, false},
                                   QJsonArray{u"0202"_s, u"P2"_s, u""_s, u""_s, true},
                                   QJsonArray{u"0303"_s, u""_s, u""_s, u""_s, false},
                                   QJsonArray{u"a"_s, u""_s, u""_s, u""_s, false}}));

    // The device chooses 0101 and a; the window's list marks the same for HotSync.
    const ServiceResponse response = call("POST", "carga", R"({"locais": ["0101", "a"]})", token);
    ASSERT_EQ(response.status, 200) << response.body.constData();
    locations.setAll(false);
    locations.setChecked(0, true);
    locations.setChecked(3, true);
    HandheldLoad handheld(d, locations, log, noProgress());
    handheld.ExportForHandheld(d.TLocais(), folder.path());
    handheld.ExportForHandheld(d.TBens(), folder.path());
    QStringList sentAssets;
    for (const QJsonValue& line : object(response)[u"bens"_s][u"linhas"_s].toArray()) {
        QStringList values;
        for (const QJsonValue& v : line.toArray()) {
            values << v.toString();
        }
        sentAssets << values.join(u'|');
    }
    QStringList fileAssets;
    for (const QString& row : readFile(QStringLiteral("BENS.DBF"))) {
        fileAssets << row.section(u'|', 0, 2) + u'|' + row.section(u'|', 3, 5);
    }
    EXPECT_EQ(sentAssets, fileAssets);
    EXPECT_EQ(sentAssets.size(), 4);  // 1, 4, 5 and 6
    QStringList sentLocations;
    for (const QJsonValue& line : object(response)[u"locais"_s].toArray()) {
        sentLocations << line[0].toString();
    }
    QStringList fileLocations;
    for (const QString& row : readFile(QStringLiteral("LOCAIS.DBF"))) {
        fileLocations << row.section(u'|', 0, 0);
    }
    EXPECT_EQ(sentLocations, fileLocations);

    const QJsonObject ana = object(response)[u"operadores"_s][0].toObject();
    EXPECT_EQ(ana[u"codigo"_s].toString(), QStringLiteral("01"));
    EXPECT_EQ(ana[u"hash"_s].toString(),
              QString::fromLatin1(QPasswordDigestor::deriveKeyPbkdf2(
                                      QCryptographicHash::Sha256, "abc",
                                      QByteArray::fromHex(ana[u"sal"_s].toString().toLatin1()),
                                      ana[u"iteracoes"_s].toInt(), 32)
                                      .toHex()));
    EXPECT_TRUE(object(response)[u"operadores"_s][1][u"hash"_s].isNull());

    EXPECT_EQ(db.column(QStringLiteral("SELECT CTUSUARIO FROM Contagens")),
              QStringList{QStringLiteral("Equipe 1")});
    EXPECT_EQ(db.column(QStringLiteral("SELECT CLLOCAL FROM ContagemLocais ORDER BY CLLOCAL")),
              (QStringList{QStringLiteral("0101"), QStringLiteral("a")}));
    EXPECT_EQ(db.column(QStringLiteral("SELECT ESBEM FROM Esperados ORDER BY ESBEM")),
              (QStringList{QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("5"),
                           QStringLiteral("6")}));
    EXPECT_EQ(erro(call("POST", "carga", R"({"locais": ["0101", "0909"]})", token)),
              QStringLiteral("Local 0909 não cadastrado."));
}

TEST_F(Coletor, AnUnloadDoesWhatTheSameReadingsInAReturnedTableDoOnce) {
    const QString token = paired();
    const int count = load(token, {QStringLiteral("0101"), QStringLiteral("0202")});
    const QJsonArray readings{
        with(with(reading("leitura-01", "1", "0202"), "BESITUACAO", u"02"_s), "BENSERIE", "X1"),
        with(reading("leitura-02", "2", "0202"), "BESITUACAO", u"01"_s),
        with(with(with(reading("leitura-03", "9", "0101"), "BENOME", u"Novo bem"_s), "BEVALOR",
                  10.25),
             "BECOMPRA", "2020-01-31"),
        reading("leitura-02", "2", "0303"),  // repeated in the request: applied once
    };
    const ServiceResponse first = unload(token, count, readings);
    ASSERT_EQ(first.status, 200) << first.body.constData();
    EXPECT_EQ(states(first), (QStringList{QStringLiteral("leitura-01=aplicada"),
                                          QStringLiteral("leitura-02=aplicada"),
                                          QStringLiteral("leitura-03=aplicada"),
                                          QStringLiteral("leitura-02=já recebida")}));

    // The same readings returned in a BENS.DBF to another register.
    TestDatabase other;
    arrange(other);
    using Fields = QMap<QString, QVariant>;
    const Fields base{{QStringLiteral("BEFLAG"), QStringLiteral("X")},
                      {QStringLiteral("BEULTOPE"), QStringLiteral("Ana")},
                      {QStringLiteral("BEULTINV"), QDate(2026, 12, 10)}};
    auto fields = [&base](const Fields& more) {
        Fields f = base;
        f.insert(more);
        return f;
    };
    db.dados().CreateDBFTable(folder.path(), QStringLiteral("BENS.DBF"));
    {
        THalcyonDataSet dbf;
        dbf.SetDatabaseName(folder.path());
        dbf.SetTableName(QStringLiteral("BENS.DBF"));
        dbf.Open();
        for (const Fields& record : {fields({{QStringLiteral("BECODIGO"), u"1"_s},
                                             {QStringLiteral("BELOCAL"), u"0202"_s},
                                             {QStringLiteral("BESITUACAO"), u"02"_s},
                                             {QStringLiteral("BENSERIE"), u"X1"_s}}),
                                     fields({{QStringLiteral("BECODIGO"), u"2"_s},
                                             {QStringLiteral("BELOCAL"), u"0202"_s},
                                             {QStringLiteral("BESITUACAO"), u"01"_s}}),
                                     fields({{QStringLiteral("BECODIGO"), u"9"_s},
                                             {QStringLiteral("BELOCAL"), u"0101"_s},
                                             {QStringLiteral("BENOME"), u"Novo bem"_s},
                                             {QStringLiteral("BEVALOR"), 10.25},
                                             {QStringLiteral("BECOMPRA"), QDate(2020, 1, 31)}})}) {
            dbf.Insert();
            for (auto it = record.begin(); it != record.end(); ++it) {
                dbf.FieldByName(it.key()).SetAsVariant(it.value());
            }
            dbf.Post();
        }
        dbf.Close();
    }
    SyncLog otherLog;
    InventoryUnload(other.dados(), otherLog, noProgress())
        .ProcessInventory(QStringLiteral("Equipe 1"), folder.path());

    EXPECT_EQ(logRows(db), logRows(other));
    EXPECT_EQ(logRows(db).size(), 3);
    QStringList messages;
    for (const QJsonValue& line : object(first)[u"mensagens"_s].toArray()) {
        messages << line.toString();
    }
    EXPECT_EQ(messages.mid(1), otherLog.lines());
    EXPECT_EQ(messages.value(0),
              QStringLiteral("> Descarga de 3 leituras recebida do coletor Equipe 1..."));
    // The copy kept is the table a handheld would have returned.
    const QStringList copies =
        QDir(ReceivedCopy::folder(db.dados().AppDir())).entryList(QDir::Files);
    ASSERT_EQ(copies, QStringList{QStringLiteral("20261210-090000-Coletor1-BENS.DBF")});
    SyncFixture kept;
    QFile::copy(QDir(ReceivedCopy::folder(db.dados().AppDir())).filePath(copies[0]),
                kept.path(QStringLiteral("BENS.DBF")));
    EXPECT_EQ(kept.readFile(QStringLiteral("BENS.DBF")), readFile(QStringLiteral("BENS.DBF")));
    EXPECT_EQ(db.column(QStringLiteral("SELECT LEID FROM Leituras ORDER BY LESEQ")),
              (QStringList{QStringLiteral("leitura-01"), QStringLiteral("leitura-02"),
                           QStringLiteral("leitura-03")}));

    // The answer was lost: the device sends the readings again, with a new one.
    const QStringList before = registerState();
    const ServiceResponse again = unload(
        token, count, QJsonArray{readings[0], readings[2], reading("leitura-04", "3", "0101")});
    EXPECT_EQ(states(again), (QStringList{QStringLiteral("leitura-01=já recebida"),
                                          QStringLiteral("leitura-03=já recebida"),
                                          QStringLiteral("leitura-04=aplicada")}));
    EXPECT_EQ(again.body, QJsonDocument::fromJson(again.body).toJson(QJsonDocument::Compact));
    EXPECT_EQ(logRows(db), logRows(other) + QStringList{QStringLiteral(
                                                "3|Equipe 1|Ana|LOCAL:0303>0101;SITUACAO:BO>")});
    EXPECT_EQ(unload(token, count, QJsonArray{readings[0]}).status, 200);
    EXPECT_EQ(registerState().size(), before.size() + 2);  // one log row, one copy
}

// Readings already kept are looked up by the hundred: sent again past several
// hundreds, each one is recognised, wherever it lies in the request.
TEST_F(Coletor, EveryOneOfManyReadingsSentAgainIsRecognisedAndAppliedOnce) {
    const QString token = paired();
    const int count = load(token, {QStringLiteral("0101")});
    QJsonArray readings;
    for (int i = 0; i < 1201; ++i) {
        readings.append(reading(
            QStringLiteral("leitura-%1").arg(i, 5, 10, QLatin1Char('0')).toLatin1().constData(),
            "1", "0101"));
    }
    ASSERT_EQ(unload(token, count, readings).status, 200);
    QJsonArray again = readings;
    again.insert(700, reading("leitura-novo", "2", "0101"));
    const QStringList answered = states(unload(token, count, again));
    ASSERT_EQ(answered.size(), 1202);
    EXPECT_EQ(answered.filter(QStringLiteral("=já recebida")).size(), 1201);
    EXPECT_EQ(answered[700], QStringLiteral("leitura-novo=aplicada"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Leituras")).toInt(), 1202);
}

TEST_F(Coletor, WithReviewOnTheReadingsWaitInTheCount) {
    db.dados().settings().Review = true;
    const QString token = paired();
    const int count = load(token, {QStringLiteral("0101")});
    const ServiceResponse response =
        unload(token, count, QJsonArray{reading("leitura-01", "1", "0202")});
    EXPECT_EQ(states(response), QStringList{QStringLiteral("leitura-01=em revisão")});
    // The answer is the JSON module's own compact form, accents and all.
    EXPECT_EQ(response.body, QJsonDocument::fromJson(response.body).toJson(QJsonDocument::Compact));
    EXPECT_TRUE(logRows(db).isEmpty());
    EXPECT_EQ(db.column(QStringLiteral("SELECT LEESTADO || LEID FROM Leituras")),
              QStringList{QStringLiteral("Pleitura-01")});
}

TEST_F(Coletor, BadInputIsRefusedNamingReadingFieldAndReasonWithNothingChanged) {
    const QString token = paired();
    const int count = load(token, {QStringLiteral("0101")});
    const QJsonObject good = reading("leitura-01", "1", "0202");
    const QStringList before = registerState();
    struct Case {
        QByteArray body;
        QString error;
    };
    auto request = [count](const QJsonArray& readings) {
        return QJsonDocument(QJsonObject{{QStringLiteral("contagem"), count},
                                         {QStringLiteral("leituras"), readings}})
            .toJson();
    };
    auto second = [&](const QJsonObject& bad) { return request(QJsonArray{good, bad}); };
    const QList<Case> cases{
        {R"({"contagem": 1, "leituras": [)",
         QStringLiteral(
             "Requisição inválida: JSON malformado na posição 29 (unterminated array).")},
        {second(with(reading("leitura-02", "1", "0202"), "BENOME", QString(33, u'x'))),
         QStringLiteral("Leitura leitura-02: BENOME: texto com mais de 32 caracteres.")},
        {second(reading("leitura-02", "12345678901234", "0202")),
         QStringLiteral("Leitura leitura-02: BECODIGO: texto com mais de 13 caracteres.")},
        {second(reading("leitura-02", "1", "0909")),
         QStringLiteral("Leitura leitura-02: BELOCAL: local 0909 não cadastrado.")},
        {second(with(reading("leitura-02", "1", "0202"), "BEULTOPE", u"Eva"_s)),
         QStringLiteral("Leitura leitura-02: BEULTOPE: operador Eva não cadastrado.")},
        {second(reading("curto", "1", "0202")),
         QStringLiteral("Leitura nº 2: id: identificador inválido (de 8 a 64 letras sem acento, "
                        "algarismos, \"_\" ou \"-\").")},
        {second(with(reading("leitura-02", "1", "0202"), "BEULTINV", u"2026-02-30"_s)),
         QStringLiteral("Leitura leitura-02: BEULTINV: data inválida (use aaaa-mm-dd).")},
        {second(with(reading("leitura-02", "1", "0202"), "BEVALOR", 1.2345)),
         QStringLiteral("Leitura leitura-02: BEVALOR: mais de 3 casas decimais.")},
        {second(with(reading("leitura-02", "1", "0202"), "BENSERIE", QStringLiteral("a\u4e00"))),
         QStringLiteral("Leitura leitura-02: BENSERIE: caractere não aceito (U+4E00).")},
        {second(with(reading("leitura-02", "1", "0202"), "BEFLAG", u"X"_s)),
         QStringLiteral("Leitura leitura-02: BEFLAG: campo desconhecido.")},
        {QJsonDocument(QJsonObject{{QStringLiteral("contagem"), count + 1},
                                   {QStringLiteral("leituras"), QJsonArray{good}}})
             .toJson(),
         QStringLiteral("Requisição inválida: a contagem %1 não é deste coletor.").arg(count + 1)},
    };
    for (const Case& c : cases) {
        const ServiceResponse response = call("POST", "descarga", c.body, token);
        EXPECT_EQ(response.status, 400) << c.body.constData();
        EXPECT_EQ(erro(response), c.error);
    }
    EXPECT_EQ(registerState(), before);
}

TEST_F(Coletor, ARegisterOfTheVersionBeforeIsUpgradedKeepingItsReadings) {
    const QString token = paired();
    const int count = load(token, {QStringLiteral("0101")});
    ASSERT_EQ(unload(token, count, QJsonArray{reading("leitura-01", "1", "0202")}).status, 200);
    // Back to what the previous version kept.
    TDados& d = db.dados();
    for (const char* sql : {"DROP TABLE InventarioRelatorios", "DROP TABLE InventarioDescartes",
                            "DROP TABLE InventarioDecisoes", "DROP TABLE InventarioContagens",
                            "DROP TABLE InventarioLocais", "DROP TABLE InventarioMembros",
                            "DROP TABLE Inventarios", "DROP INDEX UX_Leituras_LEID",
                            "ALTER TABLE Leituras DROP COLUMN LEID", "DROP TABLE Dispositivos"}) {
        db.exec(QString::fromLatin1(sql));
    }
    d.Conn().engine().setSchemaVersion(d.Conn(), 2);
    const QString counted = QStringLiteral(
        "SELECT CTNUMERO || CTUSUARIO || (SELECT COUNT(*) FROM Esperados WHERE ESCONTAGEM = "
        "CTNUMERO) || (SELECT COUNT(*) FROM ContagemLocais WHERE CLCONTAGEM = CTNUMERO) FROM "
        "Contagens");
    const QStringList counts = db.column(counted);
    ASSERT_EQ(counts, QStringList{QStringLiteral("1Equipe 131")});
    d.CloseDatabase();
    ASSERT_TRUE(d.OpenDatabase());
    EXPECT_TRUE(db.prompter().shown.isEmpty());
    EXPECT_EQ(d.schemaVersion(), schema::kVersion);
    EXPECT_EQ(db.column(counted), counts);
    EXPECT_EQ(db.column(QStringLiteral("SELECT LEBEM || coalesce(LEID, '-') FROM Leituras")),
              QStringList{QStringLiteral("1-")});
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Inventarios")).toInt(), 0);
    EXPECT_EQ(call("GET", "locais", {}, token).status, 401);  // its devices are gone
}

TEST_F(Coletor, ABlindInventorysLoadCarriesNoExpectedLocationsAndJoinsTheInventory) {
    const QString token = paired();
    InventoryDraft draft;
    draft.title = QStringLiteral("Cego");
    draft.blind = true;
    draft.locations = {QStringLiteral("0101")};
    InventoryStore(db.dados()).create(draft);
    auto sent = [this, &token](const char* body) {
        const QJsonObject answer = object(call("POST", "carga", body, token));
        QStringList locations;
        for (const QJsonValue& line : answer[u"bens"_s][u"linhas"_s].toArray()) {
            locations << (line[2].isNull() ? QStringLiteral("null") : line[2].toString());
        }
        return answer[u"cego"_s].toBool() ? QStringLiteral("cego: ") + locations.join(u' ')
                                          : locations.join(u' ');
    };
    // Assets of unlisted locations go with every load.
    EXPECT_EQ(sent(R"({"locais": ["0202"]})"), QStringLiteral("0202 null 9999"));
    log.clear();
    EXPECT_EQ(sent(R"({"locais": ["0101"]})"), QStringLiteral("cego: null null null"));
    EXPECT_EQ(log.lines().last(),
              QStringLiteral("   Contagem 2 incluída no inventário 1: locais 0101."));
    // The desktop still knows what the blind load expected.
    EXPECT_EQ(db.column(QStringLiteral(
                  "SELECT ESBEM || ESLOCAL FROM Esperados WHERE ESCONTAGEM = 2 AND ESBEM = '1'")),
              QStringList{QStringLiteral("10101")});
}

TEST_F(Coletor, TheCommandLineListsAndRevokesDevices) {
    const QString token = paired();
    auto cli = [this](const QStringList& args) {
        return run(AMBITRA_CLI, QStringList{QStringLiteral("--app-dir"), db.dir().path(),
                                            QStringLiteral("devices")} +
                                    args);
    };
    ProgramRun r = cli({});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1\tEquipe 1\t2026-12-10 09:00:00\t-\tactive\n"));
    r = cli({QStringLiteral("--revoke"), QStringLiteral("2")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("O coletor 2 não existe ou já está revogado.\n"));
    r = cli({QStringLiteral("--revoke"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Coletor 1 revogado.\n"));
    EXPECT_EQ(call("GET", "locais", {}, token).status, 401);
    EXPECT_TRUE(cli({}).out.endsWith(QStringLiteral("\trevoked\n")));
}
