#include "cli/DbfCommand.h"

#include "cli/CliPrompter.h"
#include "core/common/Error.h"
#include "core/xbase/FieldCodec.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QFileInfo>

namespace ambitra::cli {

namespace {

// Lines go out in blocks: one write per line would dominate on large tables.
constexpr int kLinesPerBlock = 512;

QString fieldLine(const THalcyonField& field) {
    return field.FieldName() + u'\t' + QLatin1Char(field.FieldType()) + u'\t' +
           QString::number(field.Size()) + u'\t' + QString::number(field.Decimals());
}

QString numberText(const THalcyonField& field) {
    const QVariant value = field.AsVariant();
    char text[dbf::kNumberTextSize];
    const int length = value.typeId() == QMetaType::Double
                           ? dbf::formatReal(value.toDouble(), field.Decimals(), text)
                           : dbf::formatInteger(value.toLongLong(), field.Decimals(), text);
    return QString::fromLatin1(text, length);
}

QString valueText(const THalcyonField& field) {
    if (field.IsNull()) {
        return {};
    }
    switch (field.ValueKind()) {
        case THalcyonField::Kind::Real:
        case THalcyonField::Kind::Integer:
            return numberText(field);
        default:
            return field.AsString();  // text, yyyymmdd, T or F
    }
}

void printTable(THalcyonDataSet& table) {
    for (int i = 0; i < table.FieldCount(); ++i) {
        printOut(fieldLine(table.Fields(i)));
    }
    printOut(QStringLiteral("--"));
    QString block;
    int lines = 0;
    for (; !table.Eof(); table.Next()) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            if (i > 0) {
                block += u'\t';
            }
            block += valueText(table.Fields(i));
        }
        if (++lines == kLinesPerBlock) {
            printOut(block);
            block.clear();
            lines = 0;
        } else {
            block += u'\n';
        }
    }
    if (lines > 0) {
        block.chop(1);
        printOut(block);
    }
}

}  // namespace

int runDbfCommand(const QStringList& args) {
    if (args.size() != 1 || args.first().isEmpty()) {
        return 2;
    }
    const QFileInfo file(args.first());
    THalcyonDataSet table;
    table.SetReadOnly(true);
    table.SetDatabaseName(file.absolutePath());
    table.SetTableName(file.fileName());
    try {
        table.Open();
        printTable(table);
        table.Close();
    } catch (const Error& error) {
        printErr(error.message());
        return 1;
    }
    return 0;
}

}  // namespace ambitra::cli
