#include "core/records/AssetsProtocol.h"

#include "core/common/DateTextConversions.h"
#include "core/data/Query.h"
#include "core/data/TDados.h"

namespace ambitra {

namespace {

// The values of the first column of an open query, in its order.
QStringList firstColumn(const Query& query) {
    QStringList values;
    for (int row = 0; row < query.rowCount(); ++row) {
        const QVariant value = query.valueAt(row, 0);
        // A null name suggests nothing: it is left out of the list.
        if (!value.isNull() && !value.toString().isEmpty()) {
            values << value.toString();
        }
    }
    return values;
}

}  // namespace

AssetsProtocol::AssetsProtocol(TDados& dados, Progress& progress, QObject* parent)
    : EditingProtocol(dados.TBens(), dados.SQLTmp(), dados.prompter(), QStringLiteral("BENOME"),
                      progress, parent),
      m_dados(dados),
      m_allocator(dados) {}

void AssetsProtocol::FormActivate() {
    LoadManufacturers();
    LoadOperatorNames();
    if (Activated()) {
        return;
    }
    m_allocator.AlignLastCode();
    openTables();
    emit controlsChanged();
    setActivated(true);
}

void AssetsProtocol::openTables() {
    for (DataTable* table : {&m_dados.TLocais(), &m_dados.TStatus(), &m_dados.TBens()}) {
        if (!table->isOpen()) {
            table->open();
        }
    }
}

void AssetsProtocol::LoadManufacturers() {
    // Reading the list takes a pass over every asset (a second on a million):
    // opening the window or saving a record must not wait for a list that is
    // only looked at when the manufacturer is typed.
    m_manufacturersOutdated = true;
    emit manufacturersOutdated();
}

const QStringList& AssetsProtocol::manufacturers() {
    if (m_manufacturersOutdated) {
        Query& query = m_dados.QFabricantes();
        if (query.isOpen()) {
            query.requery();
        } else {
            query.open();
        }
        m_manufacturers = firstColumn(query);
        m_manufacturersOutdated = false;
    }
    return m_manufacturers;
}

void AssetsProtocol::LoadOperatorNames() {
    m_operatorNames.clear();
    m_sqlTmp.close();
    m_sqlTmp.setText(QStringLiteral("SELECT DISTINCT OPNOME FROM Operadores ORDER BY 1"));
    m_sqlTmp.open();
    m_operatorNames = firstColumn(m_sqlTmp);
    m_sqlTmp.close();
    emit operatorNamesLoaded(m_operatorNames);
}

QString AssetsProtocol::findAsset(const QString& text, const QString& from, bool next) {
    if (text.isEmpty()) {
        return {};
    }
    m_sqlTmp.close();
    m_sqlTmp.setText(QStringLiteral("SELECT BECODIGO, BENOME FROM Bens ORDER BY BECODIGO"));
    m_sqlTmp.open();
    const int rows = m_sqlTmp.rowCount();
    int start = 0;
    if (!from.isEmpty()) {
        for (int row = 0; row < rows; ++row) {
            if (m_sqlTmp.valueAt(row, 0).toString() == from) {
                start = next ? row + 1 : row;
                break;
            }
        }
    }
    QString found;
    for (int i = 0; i < rows && found.isEmpty(); ++i) {
        const int row = (start + i) % rows;
        const QString code = m_sqlTmp.valueAt(row, 0).toString();
        if (code.contains(text, Qt::CaseInsensitive) ||
            m_sqlTmp.valueAt(row, 1).toString().contains(text, Qt::CaseInsensitive)) {
            found = code;
        }
    }
    m_sqlTmp.close();
    return found;
}

QDate AssetsProtocol::PickerDate(const QVariant& value) {
    const QDate date = value.toDate();
    return !value.isNull() && date.isValid() && date > kZeroDate ? date : QDate::currentDate();
}

QString AssetsProtocol::FocusField() const {
    // After an automatic code the user goes on with the description.
    if (m_dados.settings().AutoId && !fieldText(codeField()).isEmpty() &&
        IsFieldEnabled(QStringLiteral("BENOME"))) {
        return QStringLiteral("BENOME");
    }
    return EditingProtocol::FocusField();
}

void AssetsProtocol::afterActionExtras(NavButton button) {
    const bool autoId = m_dados.settings().AutoId;
    if (button == NavButton::Insert && autoId) {
        m_automaticCode = m_allocator.GetNextCode();
    } else if (button == NavButton::Post) {
        if (autoId) {
            m_allocator.UpdateLastCode(fieldText(codeField()));
        }
        LoadManufacturers();
    }
}

QString AssetsProtocol::replaceTakenCode(const QString& code) {
    // Another desktop stored the same automatic code first: this asset takes the
    // next free one. A code the user typed is refused as usual.
    if (!m_dados.settings().AutoId || code != m_automaticCode) {
        return {};
    }
    m_automaticCode = m_allocator.GetNextCode();
    return m_automaticCode;
}

bool AssetsProtocol::validateFields() {
    if (fieldText(QStringLiteral("BENOME")).trimmed().isEmpty()) {
        return fail(QStringLiteral("BENOME"), QStringLiteral("Descrição deve ser informada!"));
    }
    return true;
}

}  // namespace ambitra
