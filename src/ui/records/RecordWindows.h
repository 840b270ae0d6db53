#pragma once

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class ChildWindows;

// Lets the main window's menu open the operators, locations and assets windows.
void registerRecordWindows(ChildWindows& windows, TDados& dados, Prompter& prompter);

}  // namespace ambitra::ui
