#pragma once

#include <QSize>
#include <QString>

#include <functional>

class QWidget;

namespace ambitra::ui {

// The main window as the windows opened from its menu see it: each registers a
// factory under its component name, called when its menu item is first chosen
// with the size that child windows fit into at that moment.
class ChildWindows {
  public:
    using Factory = std::function<QWidget*(QSize area)>;
    virtual void setChildFactory(const QString& name, Factory factory) = 0;

  protected:
    ~ChildWindows() = default;
};

}  // namespace ambitra::ui
