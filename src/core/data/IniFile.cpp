#include "core/data/IniFile.h"

#include "core/common/Cp1252.h"

#include <QFile>

#include <algorithm>

namespace ambitra {

namespace {

bool isBlank(QChar ch) {
    return ch == u' ' || ch == u'\t';
}

QStringView trimBlanks(QStringView text) {
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.mid(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section name of a "[Name]" line.
std::optional<QString> sectionName(QStringView line) {
    const QStringView trimmed = trimBlanks(line);
    if (!trimmed.startsWith(u'[')) {
        return std::nullopt;
    }
    const qsizetype close = trimmed.indexOf(u']');
    const QStringView inner = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
    return trimBlanks(inner).toString();
}

// The key of a "Key=Value" line; empty for comments and other lines.
QString keyOf(QStringView line) {
    const QStringView trimmed = trimBlanks(line);
    if (trimmed.startsWith(u';')) {
        return {};
    }
    const qsizetype equals = trimmed.indexOf(u'=');
    return equals <= 0 ? QString() : trimBlanks(trimmed.left(equals)).toString();
}

QString valueOf(QStringView line) {
    QStringView value = trimBlanks(line.mid(line.indexOf(u'=') + 1));
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
        value = value.mid(1, value.size() - 2);
    }
    return value.toString();
}

// A value whose blanks at either end would be trimmed, or whose enclosing quotes
// would be removed, is written inside one more pair of quotes. A single tab or
// blank (a field delimiter) and a lone quote (the text qualifier) thus survive.
QString encodeValue(const QString& value) {
    QString text = value;
    // A line break would end the line and turn the rest into other lines.
    text.remove(u'\r');
    text.remove(u'\n');
    const bool blankEnds = !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
    const bool quoted = text.size() >= 2 && text.front() == u'"' && text.back() == u'"';
    return blankEnds || quoted ? u'"' + text + u'"' : text;
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return fromBytes(file.readAll());
}

IniFile IniFile::fromBytes(const QByteArray& bytes) {
    IniFile ini;
    ini.m_sections.append(Section{});
    const QString text = cp1252::decode(bytes);
    qsizetype start = 0;
    while (start < text.size()) {
        // A line ends at LF, CR LF or a lone CR; no CR is ever part of a value.
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        const QString line = text.mid(start, end - start);
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n') {
            ++end;
        }
        start = end + 1;
        if (auto name = sectionName(line)) {
            ini.m_sections.append(Section{*name, {Line{line, {}}}});
        } else {
            ini.m_sections.back().lines.append(Line{line, keyOf(line)});
        }
    }
    return ini;
}

QByteArray IniFile::toBytes() const {
    QByteArray bytes;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            cp1252::appendEncoded(bytes, line.text);
            bytes.append("\r\n");
        }
    }
    return bytes;
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const {
    for (const Section& s : m_sections) {
        if (s.name.isEmpty() || !sameName(s.name, section)) {
            continue;
        }
        for (const Line& line : s.lines) {
            if (!line.key.isEmpty() && sameName(line.key, key)) {
                return &line;
            }
        }
    }
    return nullptr;
}

IniFile::Line* IniFile::findLine(const QString& section, const QString& key) {
    return const_cast<Line*>(std::as_const(*this).findLine(section, key));
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const Line* line = findLine(section, key);
    return line ? std::optional<QString>(valueOf(line->text)) : std::nullopt;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    return value(section, key).value_or(fallback);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString text = key + u'=' + encodeValue(value);
    if (Line* line = findLine(section, key)) {
        line->text = text;
        return;
    }
    // After the section's last non-empty line, so blank separators stay last.
    QList<Line>& lines = sectionForNewKey(section).lines;
    qsizetype at = lines.size();
    while (at > 1 && trimBlanks(lines[at - 1].text).isEmpty()) {
        --at;
    }
    lines.insert(at, Line{text, key});
}

void IniFile::removeKey(const QString& section, const QString& key) {
    for (Section& s : m_sections) {
        if (!s.name.isEmpty() && sameName(s.name, section)) {
            s.lines.removeIf(
                [&](const Line& line) { return !line.key.isEmpty() && sameName(line.key, key); });
        }
    }
}

bool IniFile::hasSection(const QString& section) const {
    return std::any_of(m_sections.begin(), m_sections.end(), [&](const Section& s) {
        return !s.name.isEmpty() && sameName(s.name, section);
    });
}

void IniFile::removeSection(const QString& section) {
    m_sections.removeIf(
        [&](const Section& s) { return !s.name.isEmpty() && sameName(s.name, section); });
}

IniFile::Section& IniFile::sectionForNewKey(const QString& section) {
    for (Section& s : m_sections) {
        if (!s.name.isEmpty() && sameName(s.name, section)) {
            return s;
        }
    }
    m_sections.append(Section{section, {Line{u'[' + section + u']', {}}}});
    return m_sections.back();
}

}  // namespace ambitra
