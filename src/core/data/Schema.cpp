#include "core/data/Schema.h"

#include <QHash>

namespace ambitra {

QString declaredType(ColumnType type) {
    switch (type) {
        case ColumnType::Money:
            return QStringLiteral("MONEY");
        case ColumnType::Date:
            return QStringLiteral("DATE");
        case ColumnType::DateTime:
            return QStringLiteral("DATETIME");
        case ColumnType::Text:
            break;
    }
    return QStringLiteral("VARCHAR");
}

int TableDef::indexOf(const QString& column) const {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QStringList TableDef::storedColumns() const {
    QStringList names;
    for (const ColumnDef& c : columns) {
        if (!c.lookup) {
            names << c.name;
        }
    }
    return names;
}

namespace schema {

namespace {

ColumnDef text(const char* name, int size, const char* label, int displayWidth = 0,
               bool visible = true) {
    return {QString::fromLatin1(name),
            ColumnType::Text,
            size,
            QString::fromUtf8(label),
            displayWidth,
            visible,
            false};
}

ColumnDef typed(const char* name, ColumnType type, const char* label, int displayWidth = 0) {
    return {
        QString::fromLatin1(name), type, 0, QString::fromUtf8(label), displayWidth, true, false};
}

ColumnDef lookedUp(const char* name, int size, const char* label) {
    return {
        QString::fromLatin1(name), ColumnType::Text, size, QString::fromUtf8(label), 8, true, true};
}

// A text column refuses values longer than its declared size, as a sized engine
// would: a longer value would otherwise break the fixed-width exchange layouts.
QString checked(const QString& table, const ColumnDef& c) {
    return QStringLiteral(", CONSTRAINT CK_%1_%2 CHECK ( length(%2) <= %3 )")
        .arg(table, c.name)
        .arg(c.size);
}

// The inventory counts: one per load sent to a handheld (its user, the marked
// locations, the assets sent with the location they were sent for) and the
// readings that came back, kept with their class until they are applied or
// discarded. Counts and readings outlive the assets they name: no reference to
// Bens, so the count stays the record of what was seen.
QStringList countStatements() {
    return {
        QStringLiteral(
            "CREATE TABLE Contagens ( CTNUMERO INTEGER NOT NULL, CTDATA DATETIME NOT NULL, "
            "CTUSUARIO VARCHAR(50) NOT NULL, CTABERTA INTEGER NOT NULL, CTENCERRADA DATETIME "
            "NULL, CONSTRAINT PK_Contagens PRIMARY KEY ( CTNUMERO ) )"),
        QStringLiteral("CREATE INDEX IX_Contagens_CTUSUARIO ON Contagens ( CTUSUARIO, CTNUMERO )"),
        QStringLiteral(
            "CREATE TABLE ContagemLocais ( CLCONTAGEM INTEGER NOT NULL, CLLOCAL VARCHAR(4) NOT "
            "NULL, CONSTRAINT PK_ContagemLocais PRIMARY KEY ( CLCONTAGEM, CLLOCAL ), CONSTRAINT "
            "FK_ContagemLocais_CLCONTAGEM FOREIGN KEY ( CLCONTAGEM ) REFERENCES Contagens ( "
            "CTNUMERO ) ON DELETE CASCADE )"),
        QStringLiteral(
            "CREATE TABLE Esperados ( ESCONTAGEM INTEGER NOT NULL, ESBEM VARCHAR(13) NOT NULL, "
            "ESLOCAL VARCHAR(4) NULL, CONSTRAINT PK_Esperados PRIMARY KEY ( ESCONTAGEM, ESBEM ), "
            "CONSTRAINT FK_Esperados_ESCONTAGEM FOREIGN KEY ( ESCONTAGEM ) REFERENCES Contagens "
            "( CTNUMERO ) ON DELETE CASCADE )"),
        // A reading keeps every field the unload applies, as read (a code or a value
        // the handheld got wrong included: LEERROS holds what could not be read), its
        // class and the register's values it was compared with. LEESTADO: P pending,
        // A applied, R rejected.
        QStringLiteral(
            "CREATE TABLE Leituras ( LECONTAGEM INTEGER NOT NULL, LESEQ INTEGER NOT NULL, "
            "LEDATA DATETIME NOT NULL, LEBEM VARCHAR(13) NULL, LENOME VARCHAR(32) NULL, LELOCAL "
            "VARCHAR(4) NULL, LEFABRICA VARCHAR(16) NULL, LESITUACAO VARCHAR(2) NULL, LENSERIE "
            "VARCHAR(16) NULL, LEVALOR MONEY NULL, LECOMPRA DATE NULL, LEULTINV DATE NULL, "
            "LEULTOPE VARCHAR(16) NULL, LEERROS VARCHAR(200) NULL, LECLASSE VARCHAR(10) NULL, "
            "LEINVALIDO INTEGER NOT NULL, LELOCANT VARCHAR(4) NULL, LESITANT VARCHAR(2) NULL, "
            "LESERANT VARCHAR(16) NULL, LEESTADO VARCHAR(1) NOT NULL, CONSTRAINT PK_Leituras "
            "PRIMARY KEY ( LECONTAGEM, LESEQ ), CONSTRAINT FK_Leituras_LECONTAGEM FOREIGN KEY ( "
            "LECONTAGEM ) REFERENCES Contagens ( CTNUMERO ) ON DELETE CASCADE )"),
    };
}

// The handhelds paired with the service: each with its name, the SHA-256 of its
// token (the token itself is never kept), when it was paired, its last contact
// and when it was revoked. A reading a handheld sent keeps the identifier the
// handheld gave it, unique, so that a reading sent again is recognised.
QStringList deviceStatements() {
    return {
        QStringLiteral(
            "CREATE TABLE Dispositivos ( DINUMERO INTEGER NOT NULL, DINOME VARCHAR(40) NOT NULL, "
            "DITOKEN VARCHAR(64) NOT NULL, DIPAREADO DATETIME NOT NULL, DICONTATO DATETIME NULL, "
            "DIREVOGADO DATETIME NULL, CONSTRAINT PK_Dispositivos PRIMARY KEY ( DINUMERO ) )"),
        QStringLiteral("CREATE UNIQUE INDEX UX_Dispositivos_DITOKEN ON Dispositivos ( DITOKEN )"),
        QStringLiteral("ALTER TABLE Leituras ADD COLUMN LEID VARCHAR(64) NULL"),
        QStringLiteral("CREATE UNIQUE INDEX UX_Leituras_LEID ON Leituras ( LEID )"),
    };
}

// The inventories: an inventory groups counts under one commission, kind and
// period. Its locations keep their current round and whether the next load
// counts them again; every count that loaded one of them joins it for that
// round. The commission's decisions keep one location for an asset read at two,
// and the readings they discard keep their reason. IVTIPO: 1 Anual, 2 Inicial,
// 3 Transferência de responsável, 4 Extinção, 5 Eventual.
QStringList inventoryStatements() {
    return {
        QStringLiteral(
            "CREATE TABLE Inventarios ( IVNUMERO INTEGER NOT NULL, IVTITULO VARCHAR(80) NOT NULL, "
            "IVTIPO INTEGER NOT NULL, IVABERTO DATETIME NOT NULL, IVENCERRADO DATETIME NULL, "
            "IVCEGO INTEGER NOT NULL, IVTODOS INTEGER NOT NULL, CONSTRAINT PK_Inventarios "
            "PRIMARY KEY ( IVNUMERO ) )"),
        QStringLiteral(
            "CREATE TABLE InventarioMembros ( IMINVENTARIO INTEGER NOT NULL, IMORDEM INTEGER NOT "
            "NULL, IMNOME VARCHAR(60) NOT NULL, IMFUNCAO VARCHAR(20) NOT NULL, IMMATRICULA "
            "VARCHAR(20) NULL, CONSTRAINT PK_InventarioMembros PRIMARY KEY ( IMINVENTARIO, "
            "IMORDEM ), CONSTRAINT FK_InventarioMembros_IMINVENTARIO FOREIGN KEY ( IMINVENTARIO "
            ") REFERENCES Inventarios ( IVNUMERO ) ON DELETE CASCADE )"),
        QStringLiteral(
            "CREATE TABLE InventarioLocais ( ILINVENTARIO INTEGER NOT NULL, ILLOCAL VARCHAR(4) "
            "NOT NULL, ILRODADA INTEGER NOT NULL, ILRECONTAR INTEGER NOT NULL, CONSTRAINT "
            "PK_InventarioLocais PRIMARY KEY ( ILINVENTARIO, ILLOCAL ), CONSTRAINT "
            "FK_InventarioLocais_ILINVENTARIO FOREIGN KEY ( ILINVENTARIO ) REFERENCES "
            "Inventarios ( IVNUMERO ) ON DELETE CASCADE )"),
        QStringLiteral(
            "CREATE TABLE InventarioContagens ( ICINVENTARIO INTEGER NOT NULL, ICCONTAGEM "
            "INTEGER NOT NULL, ICLOCAL VARCHAR(4) NOT NULL, ICRODADA INTEGER NOT NULL, "
            "CONSTRAINT PK_InventarioContagens PRIMARY KEY ( ICCONTAGEM, ICLOCAL ), CONSTRAINT "
            "FK_InventarioContagens_ICINVENTARIO FOREIGN KEY ( ICINVENTARIO ) REFERENCES "
            "Inventarios ( IVNUMERO ) ON DELETE CASCADE, CONSTRAINT "
            "FK_InventarioContagens_ICCONTAGEM FOREIGN KEY ( ICCONTAGEM ) REFERENCES Contagens "
            "( CTNUMERO ) ON DELETE CASCADE )"),
        QStringLiteral("CREATE INDEX IX_InventarioContagens_ICINVENTARIO ON InventarioContagens "
                       "( ICINVENTARIO, ICLOCAL, ICRODADA )"),
        QStringLiteral(
            "CREATE TABLE InventarioDecisoes ( IDINVENTARIO INTEGER NOT NULL, IDBEM VARCHAR(13) "
            "NOT NULL, IDLOCAL VARCHAR(4) NOT NULL, IDDATA DATETIME NOT NULL, CONSTRAINT "
            "PK_InventarioDecisoes PRIMARY KEY ( IDINVENTARIO, IDBEM ), CONSTRAINT "
            "FK_InventarioDecisoes_IDINVENTARIO FOREIGN KEY ( IDINVENTARIO ) REFERENCES "
            "Inventarios ( IVNUMERO ) ON DELETE CASCADE )"),
        QStringLiteral(
            "CREATE TABLE InventarioDescartes ( IXINVENTARIO INTEGER NOT NULL, IXCONTAGEM "
            "INTEGER NOT NULL, IXSEQ INTEGER NOT NULL, IXBEM VARCHAR(13) NOT NULL, IXMOTIVO "
            "VARCHAR(200) NOT NULL, CONSTRAINT PK_InventarioDescartes PRIMARY KEY ( IXCONTAGEM, "
            "IXSEQ ), CONSTRAINT FK_InventarioDescartes_IXINVENTARIO FOREIGN KEY ( IXINVENTARIO "
            ") REFERENCES Inventarios ( IVNUMERO ) ON DELETE CASCADE )"),
    };
}

}  // namespace

const TableDef& operadores() {
    static const TableDef def{
        QStringLiteral("Operadores"),
        QStringLiteral("OPCODIGO"),
        true,
        {text("OPCODIGO", 6, "Código", 8), text("OPSENHA", 6, "Senha", 0, false),
         text("OPNOME", 16, "Nome", 20)}};
    return def;
}

const TableDef& locais() {
    static const TableDef def{QStringLiteral("Locais"),
                              QStringLiteral("LOCODIGO"),
                              true,
                              {text("LOCODIGO", 4, "Código", 8), text("LOPREDIO", 3, "Prédio", 8),
                               text("LODEPTO", 3, "Depto.", 8), text("LOSALA", 4, "Sala", 8)}};
    return def;
}

const TableDef& bens() {
    static const TableDef def{
        QStringLiteral("Bens"),
        QStringLiteral("BECODIGO"),
        true,
        {text("BECODIGO", 13, "Código"), text("BENOME", 32, "Descrição"),
         text("BELOCAL", 4, "Local", 8), lookedUp("LOPREDIO", 3, "Prédio"),
         lookedUp("LODEPTO", 3, "Depto."), lookedUp("LOSALA", 4, "Sala"),
         text("BEFABRICA", 16, "Fabricante"), text("BESITUACAO", 2, "Situação"),
         text("BENSERIE", 16, "Nº Série"), typed("BEVALOR", ColumnType::Money, "Valor", 14),
         typed("BECOMPRA", ColumnType::Date, "Data Compra", 10),
         typed("BEULTINV", ColumnType::Date, "Inventário", 10), text("BEULTOPE", 16, "Operador"),
         text("BEFLAG", 1, "*", 0, false)},
        QStringLiteral("Locais"),
        QStringLiteral("LOCODIGO"),
        QStringLiteral("BELOCAL")};
    return def;
}

const TableDef& status() {
    static const TableDef def{QStringLiteral("Status"),
                              QStringLiteral("STCODIGO"),
                              false,
                              {text("STCODIGO", 2, "Código", 3), text("STTEXTO", 10, "Situação")}};
    return def;
}

const TableDef& log() {
    static const TableDef def{
        QStringLiteral("Log"),
        QString(),
        false,
        {typed("LGDATA", ColumnType::DateTime, "Data e Hora", 19),
         text("LGUSUARIO", 50, "Usuário", 16), text("LGOPERADOR", 16, "Operador"),
         text("LGBEM", 13, "Bem Patrimonial"), text("LGOCORRENC", 80, "Ocorrência")}};
    return def;
}

QStringList createStatements() {
    QStringList statements;
    auto checks = [](const TableDef& t) {
        QString s;
        for (const ColumnDef& c : t.columns) {
            if (!c.lookup && c.type == ColumnType::Text) {
                s += checked(t.name, c);
            }
        }
        return s;
    };
    statements << QStringLiteral(
                      "CREATE TABLE Operadores ( OPCODIGO VARCHAR(6) NOT NULL, OPSENHA VARCHAR(6) "
                      "NULL, OPNOME VARCHAR(16) NULL, CONSTRAINT PK_Operadores PRIMARY KEY ( "
                      "OPCODIGO )") +
                      checks(operadores()) + QStringLiteral(" )");
    statements
        << QStringLiteral(
               "CREATE TABLE Locais ( LOCODIGO VARCHAR(4) NOT NULL, LOPREDIO VARCHAR(3) NULL, "
               "LODEPTO VARCHAR(3) NULL, LOSALA VARCHAR(4) NULL, CONSTRAINT PK_Locais PRIMARY "
               "KEY ( LOCODIGO )") +
               checks(locais()) + QStringLiteral(" )");
    statements << QStringLiteral(
                      "CREATE TABLE Bens ( BECODIGO VARCHAR(13) NOT NULL, BENOME VARCHAR(32) NULL, "
                      "BELOCAL VARCHAR(4) NULL, BEFABRICA VARCHAR(16) NULL, BESITUACAO VARCHAR(2) "
                      "NULL, BENSERIE VARCHAR(16) NULL, BEVALOR MONEY NULL, BECOMPRA DATE NULL, "
                      "BEULTINV DATE NULL, BEULTOPE VARCHAR(16) NULL, BEFLAG VARCHAR(1) NULL, "
                      "CONSTRAINT PK_Bens PRIMARY KEY ( BECODIGO )") +
                      checks(bens()) + QStringLiteral(" )");
    statements
        << QStringLiteral(
               "CREATE TABLE Status ( STCODIGO VARCHAR(2) NOT NULL, STTEXTO VARCHAR(10) NULL, "
               "CONSTRAINT PK_Status PRIMARY KEY ( STCODIGO )") +
               checks(status()) + QStringLiteral(" )");
    // The occurrence text can reach 71 characters; the column is wide enough for
    // it and no length is enforced on log rows, so an occurrence is never lost.
    statements << QStringLiteral(
        "CREATE TABLE Log ( LGDATA DATETIME NULL, LGUSUARIO VARCHAR(50) NULL, LGOPERADOR "
        "VARCHAR(16) NULL, LGBEM VARCHAR(13) NOT NULL, LGOCORRENC VARCHAR(80) NULL, CONSTRAINT "
        "FK_Log_LGBEM FOREIGN KEY ( LGBEM ) REFERENCES Bens ( BECODIGO ) ON DELETE CASCADE )");
    statements << logIndexStatements();
    return statements + upgradeStatements(1);  // to the current version
}

QStringList logIndexStatements() {
    return {QStringLiteral("CREATE INDEX IX_Log_LGDATA ON Log ( LGDATA )"),
            QStringLiteral("CREATE INDEX IX_Log_LGBEM ON Log ( LGBEM )")};
}

QStringList logIndexNames() {
    return {QStringLiteral("IX_Log_LGDATA"), QStringLiteral("IX_Log_LGBEM")};
}

QStringList upgradeStatements(int from) {
    QStringList statements;
    if (from < 2) {
        statements << countStatements();
    }
    if (from < 3) {
        statements << deviceStatements();
    }
    if (from < 4) {
        statements << inventoryStatements();
    }
    return statements;
}

ColumnType typeOfColumn(const QString& name) {
    static const QHash<QString, ColumnType> types = [] {
        QHash<QString, ColumnType> map;
        for (const TableDef* t : {&operadores(), &locais(), &bens(), &status(), &log()}) {
            for (const ColumnDef& c : t->columns) {
                map.insert(c.name, c.type);
            }
        }
        return map;
    }();
    return types.value(name.toUpper(), ColumnType::Text);
}

}  // namespace schema
}  // namespace ambitra
