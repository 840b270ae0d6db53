#pragma once

#include "core/common/Prompter.h"

class QWidget;

namespace ambitra::ui {

// The windowed prompt interface: modal message boxes and the system beep.
class WidgetPrompter : public Prompter {
  public:
    Answer message(Kind kind, const QString& text, Buttons buttons) override;
    void beep() override;
};

}  // namespace ambitra::ui
