#pragma once

#include "core/common/Prompter.h"

#include <cstdio>

namespace ambitra {

// The prompter of a benchmark, where nobody answers: every question gets the
// same answer, and with Show::Messages each text goes to standard error, so
// that a run that went wrong does not pass for a fast one.
class SilentPrompter : public Prompter {
  public:
    enum class Show { Nothing, Messages };
    explicit SilentPrompter(Answer answer = Answer::Yes, Show show = Show::Nothing)
        : m_answer(answer), m_show(show) {}

    Answer message(Kind, const QString& text, Buttons) override {
        if (m_show == Show::Messages) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        }
        return m_answer;
    }
    void beep() override {}

  private:
    Answer m_answer;
    Show m_show;
};

}  // namespace ambitra
