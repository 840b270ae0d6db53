#pragma once

#include "core/data/CodeAllocator.h"
#include "core/records/EditingProtocol.h"

#include <QDate>
#include <QStringList>

namespace ambitra {

// The assets' editing rules: suggestion lists of manufacturers and operator names
// renewed on every activation (the manufacturers, which take a pass over every
// asset, when they are next asked for), automatic codes on Insert and LastCode advanced on
// Post, LastCode aligned and the look-up tables opened on the first activation,
// the focus on the description after an automatic code, and the description rule.
class AssetsProtocol : public EditingProtocol {
    Q_OBJECT

  public:
    explicit AssetsProtocol(TDados& dados, Progress& progress = noProgress(),
                            QObject* parent = nullptr);

    void FormActivate() override;
    QString FocusField() const override;

    // Marks the manufacturers' list for reading again and says so.
    void LoadManufacturers();
    void LoadOperatorNames();
    // The manufacturers of the register, read again when marked since last asked.
    const QStringList& manufacturers();
    const QStringList& operatorNames() const { return m_operatorNames; }

    // The code of the asset the find box goes to: the first from the asset
    // `from` on (itself included unless `next`; from the top when empty or
    // gone), in code order and round to the top again, whose code or
    // description holds the text, letter case ignored. Empty when none does.
    QString findAsset(const QString& text, const QString& from, bool next);

    // The date a calendar picker shows for a date column's value: the date when it
    // is set and later than the zero date, otherwise today.
    static QDate PickerDate(const QVariant& value);

  signals:
    // The manufacturers' list changed and is read when manufacturers() is next called.
    void manufacturersOutdated();
    void operatorNamesLoaded(const QStringList& names);

  protected:
    void openTables() override;
    void afterActionExtras(NavButton button) override;
    bool validateFields() override;
    QString replaceTakenCode(const QString& code) override;

  private:
    TDados& m_dados;
    CodeAllocator m_allocator;
    QString m_automaticCode;  // the code placed on Insert, while it stands
    QStringList m_manufacturers;
    bool m_manufacturersOutdated = true;
    QStringList m_operatorNames;
};

}  // namespace ambitra
