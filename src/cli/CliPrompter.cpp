#include "cli/CliPrompter.h"

#include <cstdio>

namespace ambitra::cli {

namespace {

// The status line shown on stderr, empty when none is.
QByteArray& statusLine() {
    static QByteArray line;
    return line;
}

// Back to the start of the line and the rest of it erased.
void eraseStatusLine() {
    if (!statusLine().isEmpty()) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
    }
}

void drawStatusLine() {
    if (!statusLine().isEmpty()) {
        std::fwrite(statusLine().constData(), 1, static_cast<std::size_t>(statusLine().size()),
                    stderr);
        std::fflush(stderr);
    }
}

void writeLine(std::FILE* stream, const QString& line) {
    eraseStatusLine();
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    drawStatusLine();
}

Prompter::Answer defaultAnswer(Prompter::Buttons buttons) {
    switch (buttons) {
        case Prompter::Buttons::Ok:
        case Prompter::Buttons::OkCancel:
            return Prompter::Answer::Ok;
        case Prompter::Buttons::YesNo:
            return Prompter::Answer::Yes;
        case Prompter::Buttons::NoAll:
            return Prompter::Answer::All;
    }
    return Prompter::Answer::Ok;
}

}  // namespace

void printOut(const QString& line) {
    writeLine(stdout, line);
}
void printErr(const QString& line) {
    writeLine(stderr, line);
}

void showStatusLine(const QString& text) {
    eraseStatusLine();
    statusLine() = text.toUtf8();
    drawStatusLine();
}

void clearStatusLine() {
    eraseStatusLine();
    statusLine().clear();
}

Prompter::Answer CliPrompter::message(Kind kind, const QString& text, Buttons buttons) {
    if (kind == Kind::Error) {
        m_errorShown = true;
    }
    // A message box's "\r" line breaks read as line breaks on a terminal too.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    printErr(shown);
    return m_answerer ? m_answerer(kind, text, buttons) : defaultAnswer(buttons);
}

}  // namespace ambitra::cli
