#include "cli/CliPrompter.h"

#include <cstdio>

namespace ambitra::cli {

namespace {

void writeLine(std::FILE* stream, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
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

Prompter::Answer CliPrompter::message(Kind kind, const QString& text, Buttons buttons) {
    m_anythingShown = true;
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
