#include "core/coletor/UnloadRequest.h"

#include "core/common/Cp1252.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <iterator>
#include <utility>

namespace ambitra {

namespace {

// The largest amount the register keeps (three decimals).
constexpr double kMaxAmount = 99999999.999;

struct FieldRule {
    Reading::Field field;
    enum Kind { Text, Amount, Date } kind;
    int size;  // characters, for texts
};

// Every field a reading may carry besides its identifier, with the register's
// rule for it.
constexpr FieldRule kRules[] = {
    {Reading::Code, FieldRule::Text, 13},       {Reading::Name, FieldRule::Text, 32},
    {Reading::Location, FieldRule::Text, 4},    {Reading::Maker, FieldRule::Text, 16},
    {Reading::Condition, FieldRule::Text, 2},   {Reading::Serial, FieldRule::Text, 16},
    {Reading::Value, FieldRule::Amount, 0},     {Reading::Bought, FieldRule::Date, 0},
    {Reading::Inventoried, FieldRule::Date, 0}, {Reading::Operator, FieldRule::Text, 16},
};

// Why a text cannot go into the register's field; empty when it can.
QString textProblem(const QString& text, int size) {
    if (text.size() > size) {
        return QStringLiteral("texto com mais de %1 caracteres").arg(size);
    }
    for (const QChar ch : text) {
        // Kept in a Windows-1252 file before it is applied: every character must
        // come back from it as it was sent.
        if (ch.unicode() < 0x20 || cp1252::toChar(static_cast<unsigned char>(
                                       cp1252::toByte(ch.unicode()))) != ch.unicode()) {
            return QStringLiteral("caractere não aceito (U+%1)")
                .arg(QString::number(ch.unicode(), 16).toUpper().rightJustified(4, u'0'));
        }
    }
    return {};
}

}  // namespace

bool UnloadRequest::validId(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{8,64}$"));
    return pattern.match(text).hasMatch();
}

bool UnloadRequest::fail(const QString& error) {
    m_error = error;
    m_readings.clear();
    return false;
}

bool UnloadRequest::parse(const QByteArray& body, const Known& known) {
    m_error.clear();
    m_count = 0;
    m_readings.clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(QStringLiteral("Requisição inválida: JSON malformado na posição %1 (%2).")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
    }
    if (!document.isObject()) {
        return fail(QStringLiteral("Requisição inválida: o corpo deve ser um objeto JSON."));
    }
    const QJsonObject request = document.object();
    for (auto it = request.begin(); it != request.end(); ++it) {
        if (it.key() != QLatin1String("contagem") && it.key() != QLatin1String("leituras")) {
            return fail(
                QStringLiteral("Requisição inválida: campo desconhecido %1.").arg(it.key()));
        }
    }
    const QJsonValue count = request.value(QStringLiteral("contagem"));
    const double number = count.toDouble(-1);
    if (!count.isDouble() || number < 1 || number > 2147483647 || number != std::floor(number)) {
        return fail(
            QStringLiteral("Requisição inválida: contagem deve ser um número inteiro "
                           "positivo."));
    }
    m_count = static_cast<int>(number);
    const QJsonValue list = request.value(QStringLiteral("leituras"));
    if (!list.isArray()) {
        return fail(QStringLiteral("Requisição inválida: leituras deve ser uma lista."));
    }
    const QJsonArray readings = list.toArray();
    if (readings.size() > kMaxReadings) {
        return fail(QStringLiteral("Requisição inválida: mais de %1 leituras em uma requisição.")
                        .arg(kMaxReadings));
    }
    m_readings.reserve(readings.size());
    // The names of the fields, made once for every reading.
    static const std::array<QString, std::size(kRules)> ruleNames = [] {
        std::array<QString, std::size(kRules)> names;
        for (size_t i = 0; i < names.size(); ++i) {
            names[i] = Reading::fieldName(kRules[i].field);
        }
        return names;
    }();
    for (qsizetype n = 0; n < readings.size(); ++n) {
        // A reading is named by its identifier; by its place while that is not valid.
        QString name;
        auto bad = [&](const QString& field, const QString& reason) {
            if (name.isEmpty()) {
                name = QStringLiteral("nº %1").arg(n + 1);
            }
            return fail(QStringLiteral("Leitura %1: %2: %3.").arg(name, field, reason));
        };
        if (!readings[n].isObject()) {
            return bad(QStringLiteral("leitura"), QStringLiteral("não é um objeto JSON"));
        }
        const QJsonObject object = readings[n].toObject();
        const QJsonValue id = object.value(QStringLiteral("id"));
        if (!id.isString() || !validId(id.toString())) {
            return bad(QStringLiteral("id"),
                       QStringLiteral("identificador inválido (de 8 a 64 letras sem acento, "
                                      "algarismos, \"_\" ou \"-\")"));
        }
        name = id.toString();
        Reading reading;
        reading.id = name;
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = it.key();
            if (key == QLatin1String("id")) {
                continue;
            }
            const FieldRule* rule = nullptr;
            for (size_t r = 0; r < ruleNames.size() && rule == nullptr; ++r) {
                if (key == ruleNames[r]) {
                    rule = &kRules[r];
                }
            }
            if (rule == nullptr) {
                return bad(key, QStringLiteral("campo desconhecido"));
            }
            const QJsonValue value = it.value();
            if (value.isNull()) {
                continue;
            }
            switch (rule->kind) {
                case FieldRule::Text: {
                    if (!value.isString()) {
                        return bad(key, QStringLiteral("deve ser um texto"));
                    }
                    const QString text = value.toString();
                    const QString problem = textProblem(text, rule->size);
                    if (!problem.isEmpty()) {
                        return bad(key, problem);
                    }
                    // An empty text is no value, as every save of the register keeps it.
                    if (!text.isEmpty()) {
                        reading.set(rule->field, text);
                    }
                    break;
                }
                case FieldRule::Amount: {
                    const double amount = value.toDouble();
                    if (!value.isDouble()) {
                        return bad(key, QStringLiteral("deve ser um número"));
                    }
                    if (std::fabs(amount) > kMaxAmount) {
                        return bad(key, QStringLiteral("valor fora do limite de "
                                                       "99.999.999,999"));
                    }
                    const double thousandths = amount * 1000;
                    if (std::fabs(thousandths - std::round(thousandths)) > 1e-6) {
                        return bad(key, QStringLiteral("mais de 3 casas decimais"));
                    }
                    reading.set(rule->field, std::round(thousandths) / 1000);
                    break;
                }
                case FieldRule::Date: {
                    static const QRegularExpression form(
                        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
                    const QString text = value.toString();
                    const QDate date = QDate::fromString(text, Qt::ISODate);
                    if (!value.isString() || !form.match(text).hasMatch() || !date.isValid() ||
                        date.year() < 1) {
                        return bad(key, QStringLiteral("data inválida (use aaaa-mm-dd)"));
                    }
                    reading.set(rule->field, date);
                    break;
                }
            }
        }
        const QString code = Reading::fieldName(Reading::Code);
        // A code of blanks is none: the copy keeps texts without their trailing blanks.
        if (reading.code().trimmed().isEmpty()) {
            return bad(code, QStringLiteral("código do bem ausente"));
        }
        const QString location = reading.stored(Reading::Location).toString();
        if (!known.locations.contains(location)) {
            return bad(Reading::fieldName(Reading::Location),
                       location.isEmpty()
                           ? QStringLiteral("local ausente")
                           : QStringLiteral("local %1 não cadastrado").arg(location));
        }
        const QString user = reading.stored(Reading::Operator).toString();
        if (!known.operators.contains(user)) {
            return bad(Reading::fieldName(Reading::Operator),
                       user.isEmpty() ? QStringLiteral("operador ausente")
                                      : QStringLiteral("operador %1 não cadastrado").arg(user));
        }
        m_readings.append(std::move(reading));
    }
    return true;
}

}  // namespace ambitra
