#pragma once

#include "core/common/Prompter.h"

#include <functional>

namespace ambitra::cli {

// The command-line face of the prompt interface: message-box texts go to stderr
// (UTF-8), questions are answered by the command's flags, and it remembers
// whether an error or warning was shown, for the exit code.
class CliPrompter : public Prompter {
  public:
    using Answerer = std::function<Answer(Kind kind, const QString& text, Buttons buttons)>;

    Answer message(Kind kind, const QString& text, Buttons buttons) override;
    void beep() override {}

    // Decides the answers to questions; without one, Yes/Ok/All.
    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

    bool errorShown() const { return m_errorShown; }
    bool anythingShown() const { return m_anythingShown; }

  private:
    Answerer m_answerer;
    bool m_errorShown = false;
    bool m_anythingShown = false;
};

// Lines of the work's outcome, on stdout in UTF-8.
void printOut(const QString& line);
// Lines a window would show in a message box, on stderr in UTF-8.
void printErr(const QString& line);

// A status line on stderr (a terminal), rewritten in place; printOut and printErr
// move it below what they print, so it never splits a line of theirs.
void showStatusLine(const QString& text);
void clearStatusLine();

}  // namespace ambitra::cli
