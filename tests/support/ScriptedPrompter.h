#pragma once

#include <functional>

#include "core/common/Prompter.h"
#include "support/QtPrinters.h"

#include <QList>
#include <QString>

namespace ambitra::test {

// A prompter for tests: records every message and beep, and answers each
// question with the next planned answer (Yes/Ok when none is planned).
class ScriptedPrompter : public Prompter {
  public:
    struct Shown {
        Kind kind;
        QString text;
        Buttons buttons;
    };

    Answer message(Kind kind, const QString& text, Buttons buttons) override;
    void beep() override { ++beeps; }

    // Plans the answers of the next questions, in order.
    void plan(std::initializer_list<Answer> answers) { planned.append(answers); }
    // The texts shown so far, in order.
    QStringList texts() const;
    void clear() {
        shown.clear();
        beeps = 0;
    }

    QList<Shown> shown;
    // Runs as each message is shown: what the screen holds at that moment.
    std::function<void(const Shown&)> onMessage;
    QList<Answer> planned;
    int beeps = 0;
};

}  // namespace ambitra::test
