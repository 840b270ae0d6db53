#include "common/Prompter.h"

namespace ambitra {

void Prompter::beepError(const QString& text) {
    beep();
    error(text);
}

bool Prompter::confirm(const QString& text, Kind kind) {
    return message(kind, text, Buttons::YesNo) == Answer::Yes;
}

}  // namespace ambitra
