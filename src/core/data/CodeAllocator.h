#pragma once

#include <QString>
#include <QStringList>

namespace ambitra {

class TDados;
struct Settings;

// Automatic asset codes: proposes the code that follows LastCode (plain digits or
// EAN-8/EAN-13 with check digit), advances LastCode when an asset is stored and
// keeps it from falling behind the codes already in the database. LastCode changes
// in memory only; the options dialog is what writes it to the settings file.
class CodeAllocator {
  public:
    explicit CodeAllocator(TDados& dados) : m_dados(dados) {}

    // The code that follows LastCode in the form CodeBar asks for; empty when the
    // sequence has no room left (longer than the column, or an EAN sequence whose
    // data digits are used up).
    static QString NextCode(const Settings& settings);

    // The code that follows LastCode, or the first after it that Bens does not
    // hold yet; empty when the sequence has no room left.
    QString FreeCode();
    // Places the next free code in the asset row being inserted or edited, or beeps
    // and warns when there is none. Returns the code placed (empty when none).
    QString GetNextCode();
    // After an asset was stored: LastCode follows its code when that is higher.
    void UpdateLastCode(const QString& storedCode);
    // LastCode takes the highest stored code when it sorts before it as text.
    void AlignLastCode();

  private:
    // Stored codes of the same length from code on, in order, at most limit.
    QStringList storedFrom(const QString& code, int limit);

    TDados& m_dados;
};

}  // namespace ambitra
