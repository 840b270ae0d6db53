#include "core/common/Prompter.h"

#include "core/common/Error.h"

namespace ambitra {

void Prompter::beepError(const QString& text) {
    beep();
    error(text);
}

bool Prompter::confirm(const QString& text, Kind kind) {
    return message(kind, text, Buttons::YesNo) == Answer::Yes;
}

bool reportErrors(Prompter& prompter, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const Error& error) {
        prompter.error(error.message());
    } catch (const std::exception& error) {
        prompter.error(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

}  // namespace ambitra
