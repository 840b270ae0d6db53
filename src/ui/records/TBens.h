#pragma once

#include "ui/records/RecordWindow.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace ambitra {
class AssetsProtocol;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class DBLookupComboBox;
class DatePicker;

// The assets window "Bens Patrimoniais": the asset's code and description, its
// location and condition chosen from their tables, manufacturer and last operator
// with suggestion lists, serial number, purchase value and date, and the date of
// the last inventory; dates typed or chosen from a calendar.
class TBens : public RecordWindow {
    Q_OBJECT

  public:
    TBens(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent = nullptr);

    QLineEdit* DBEdit1 = nullptr;                   // BECODIGO
    QLineEdit* DBEdit2 = nullptr;                   // BENOME
    DBLookupComboBox* DBLookupComboBox1 = nullptr;  // BELOCAL
    QLabel* DBText1 = nullptr;                      // LOPREDIO
    QLabel* DBText2 = nullptr;                      // LODEPTO
    QLabel* DBText3 = nullptr;                      // LOSALA
    QComboBox* DBComboBox1 = nullptr;               // BEFABRICA
    DBLookupComboBox* DBLookupComboBox2 = nullptr;  // BESITUACAO
    QLineEdit* DBEdit3 = nullptr;                   // BENSERIE
    QLineEdit* DBEdit4 = nullptr;                   // BEVALOR
    QLineEdit* DBEdit5 = nullptr;                   // BECOMPRA
    DatePicker* DateTimePicker1 = nullptr;
    QLineEdit* DBEdit6 = nullptr;  // BEULTINV
    DatePicker* DateTimePicker2 = nullptr;
    QComboBox* DBComboBox2 = nullptr;    // BEULTOPE
    QLineEdit* EditLocalizar = nullptr;  // finds an asset by code or description

  protected:
    void beforeEnableControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMainRows(TDados& dados);
    void buildGroups();
    // "Localizar": typing goes to the first asset that matches, Enter to the next.
    void addFindBox();
    void findAsset(bool next);
    void bindControls();
    void setPickersFromRecord();
    // A date chosen in a picker goes into its column while a record is changed.
    void DateTimePickerChange(const QString& column, const QDate& date);
    // Fills the manufacturer's list with the register's manufacturers.
    void showManufacturers();

    AssetsProtocol& m_rules;
    bool m_manufacturersShown = false;  // the list was filled once: it is kept current
};

}  // namespace ambitra::ui
