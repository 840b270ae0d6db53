#pragma once

#include <QString>

#include <functional>

namespace ambitra {

// The one way the program talks to the user: every modal message box, question
// and beep goes through here. Windows install a message-box implementation, the
// command-line companion one that prints and answers from its flags, and tests a
// scripted one that records each text and gives the planned answer.
class Prompter {
  public:
    enum class Kind {
        Error,        // error icon
        Warning,      // warning icon
        Information,  // plain notice
        Question,     // confirmation
    };
    enum class Buttons { Ok, YesNo, NoAll, OkCancel };
    enum class Answer { Ok, Cancel, Yes, No, All };

    virtual ~Prompter() = default;

    // Shows a modal message and returns the button the user chose.
    virtual Answer message(Kind kind, const QString& text, Buttons buttons) = 0;
    // The default system beep.
    virtual void beep() = 0;

    // Shorthands for the forms the program uses.
    void error(const QString& text) { message(Kind::Error, text, Buttons::Ok); }
    void warning(const QString& text) { message(Kind::Warning, text, Buttons::Ok); }
    void notice(const QString& text) { message(Kind::Information, text, Buttons::Ok); }
    // Beep, then an error box: how most failures are shown.
    void beepError(const QString& text);
    // A Yes/No question; true only for Yes.
    bool confirm(const QString& text, Kind kind = Kind::Question);
};

// The application's general error report: runs work and shows the text of any
// error that escapes it in an error box. Returns false when one did. Event
// handlers use it, since nothing may escape into the window's event loop.
bool reportErrors(Prompter& prompter, const std::function<void()>& work);

}  // namespace ambitra
