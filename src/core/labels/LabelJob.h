#pragma once

#include "core/labels/Label.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace ambitra {

class Prompter;
class TDados;
struct LabelSheet;

// Which assets get labels: the codes given (the rows chosen in a window), or else
// every asset within the code range (either end open when empty, both ends
// included, in the register's code order) and, when locations are named, of one
// of those locations.
struct AssetSelection {
    QStringList codes;
    QString from;
    QString to;
    QStringList locations;
};

// The labels of one printing: read from the register, each with its bar code;
// the codes no bar code can hold are kept aside, to be named to the user.
class LabelJob {
  public:
    explicit LabelJob(TDados& dados);

    TDados& dados() { return m_dados; }

    // Asset labels: the code, the description and the asset's location.
    void addAssets(const AssetSelection& selection);
    // Door labels: the location's code in Code 128 and its building, department
    // and room. No codes: every location.
    void addLocations(const QStringList& codes = {});

    const QString& title() const { return m_title; }
    const QList<Label>& labels() const { return m_labels; }
    // Labels painted: those read less those the bar-code library refused.
    int printedCount() const { return static_cast<int>(m_labels.size()) - m_refused; }
    // What the window says once the labels are in a file: "N etiquetas gravadas
    // em FILE." (one: "1 etiqueta gravada").
    QString writtenText(const QString& path) const;
    // A label the bar-code library refused after all (it was not painted).
    void leaveOut(const QString& code);

    // Before painting: the start position must lie on the sheet and there must be
    // something to print. Shows the error and returns false otherwise.
    bool Check(const LabelSheet& sheet, int start, Prompter& prompter) const;
    // After painting: names the codes left out, if any (a warning; the others were
    // printed).
    void ReportLeftOut(Prompter& prompter) const;

  private:
    void add(Label label);
    void addAsset(const QList<QVariant>& row);

    TDados& m_dados;
    QString m_title;
    QString m_codeBar;
    QList<Label> m_labels;
    QStringList m_leftOut;
    int m_refused = 0;
};

// Every location as its code and its line "code - building / department /
// room", in code order, for the user to choose from.
QList<std::pair<QString, QString>> LocationChoices(TDados& dados);

}  // namespace ambitra
