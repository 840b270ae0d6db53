#include "support/ScriptedPrompter.h"

namespace ambitra::test {

Prompter::Answer ScriptedPrompter::message(Kind kind, const QString& text, Buttons buttons) {
    shown.append({kind, text, buttons});
    if (onMessage) {
        onMessage(shown.last());
    }
    if (!planned.isEmpty()) {
        return planned.takeFirst();
    }
    switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::Yes;
        case Buttons::NoAll:
            return Answer::All;
    }
    return Answer::Ok;
}

QStringList ScriptedPrompter::texts() const {
    QStringList list;
    for (const Shown& s : shown) {
        list << s.text;
    }
    return list;
}

}  // namespace ambitra::test
