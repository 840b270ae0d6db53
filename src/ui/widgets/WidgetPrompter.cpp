#include "ui/widgets/WidgetPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ambitra::ui {

namespace {

QMessageBox::Icon iconOf(Prompter::Kind kind) {
    switch (kind) {
        case Prompter::Kind::Error:
            return QMessageBox::Critical;
        case Prompter::Kind::Warning:
            return QMessageBox::Warning;
        case Prompter::Kind::Information:
            return QMessageBox::Information;
        case Prompter::Kind::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Prompter::Answer WidgetPrompter::message(Kind kind, const QString& text, Buttons buttons) {
    QMessageBox box(iconOf(kind), QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    // "\r" alone is the program's line break inside a message.
    box.setText(QString(text)
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QAbstractButton* all = nullptr;
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Buttons::NoAll:
            box.addButton(QMessageBox::No);
            all = box.addButton(QObject::tr("Todos"), QMessageBox::YesRole);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
    }
    const int result = box.exec();
    if (all != nullptr) {
        return box.clickedButton() == all ? Answer::All : Answer::No;
    }
    switch (result) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            return Answer::Cancel;
    }
}

void WidgetPrompter::beep() {
    QApplication::beep();
}

}  // namespace ambitra::ui
