#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace ambitra {

// The classic sectioned settings text ("[Section]" lines, "Key=Value" lines),
// read and written the way Windows' profile functions treat it: section and key
// names match whatever their letter case, blanks around names and values are not
// part of them, and one pair of double quotes enclosing a value is removed on
// reading. Text is Windows-1252; lines are written with CR LF. Lines the program
// does not know (other keys and sections, comments) are kept as they were.
class IniFile {
  public:
    // Reads the file; a missing or unreadable file gives an empty one.
    static IniFile load(const QString& path);
    static IniFile fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    // Replaces the key's value in place, or adds the key at the end of its
    // section (the section at the end of the file when missing).
    void setValue(const QString& section, const QString& key, const QString& value);
    // Removes every line of that key in that section.
    void removeKey(const QString& section, const QString& key);
    // Whether a "[Section]" line of that name exists (letter case ignored).
    bool hasSection(const QString& section) const;
    // Removes the section with all its lines.
    void removeSection(const QString& section);

  private:
    struct Line {
        QString text;  // the line as written, without its end
        QString key;   // empty unless the line is "Key=Value"
    };
    struct Section {
        QString name;  // empty for the lines before the first section
        QList<Line> lines;
    };

    Line* findLine(const QString& section, const QString& key);
    const Line* findLine(const QString& section, const QString& key) const;
    Section& sectionForNewKey(const QString& section);

    QList<Section> m_sections;
};

}  // namespace ambitra
