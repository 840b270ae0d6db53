#include "core/xbase/ExchangeLayouts.h"

#include "core/xbase/FieldList.h"
#include "core/xbase/TableFile.h"

namespace ambitra {

const QStringList& OperatorFieldList() {
    static const QStringList list{
        QStringLiteral("OPCODIGO;C;6;0"),
        QStringLiteral("OPSENHA;C;6;0"),
        QStringLiteral("OPNOME;C;16;0"),
    };
    return list;
}

const QStringList& LocationFieldList() {
    static const QStringList list{
        QStringLiteral("LOCODIGO;C;4;0"),
        QStringLiteral("LOPREDIO;C;3;0"),
        QStringLiteral("LODEPTO;C;3;0"),
        QStringLiteral("LOSALA;C;4;0"),
    };
    return list;
}

const QStringList& AssetFieldList() {
    static const QStringList list{
        QStringLiteral("BECODIGO;C;13;0"),  QStringLiteral("BENOME;C;32;0"),
        QStringLiteral("BELOCAL;C;4;0"),    QStringLiteral("BEFABRICA;C;16;0"),
        QStringLiteral("BESITUACAO;C;2;0"), QStringLiteral("BENSERIE;C;16;0"),
        QStringLiteral("BEVALOR;N;12;3"),   QStringLiteral("BECOMPRA;D;8;0"),
        QStringLiteral("BEULTINV;D;8;0"),   QStringLiteral("BEULTOPE;C;16;0"),
        QStringLiteral("BEFLAG;C;1;0"),
    };
    return list;
}

QString ExchangeFileName(const QString& tableName, const QString& extension) {
    const QString dotted = extension.startsWith(u'.') ? extension : u'.' + extension;
    return tableName.toUpper().left(8) + dotted;
}

void CreateDBFTable(const QString& folder, const QString& fileName) {
    const QString path = TableFile::joinPath(folder, fileName);
    const QString upper = fileName.toUpper();
    if (upper.startsWith(QStringLiteral("OPERADOR"))) {
        BuildDBFFile(path, OperatorFieldList(), true);
    }
    if (upper.startsWith(QStringLiteral("LOCAIS"))) {
        BuildDBFFile(path, LocationFieldList());
    }
    if (upper.startsWith(QStringLiteral("BENS"))) {
        BuildDBFFile(path, AssetFieldList());
    }
}

}  // namespace ambitra
