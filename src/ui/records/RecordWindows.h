#pragma once

namespace ambitra {
class Prompter;
class TDados;
}  // namespace ambitra

namespace ambitra::ui {

class TAbertura;

// Lets the main window's menu open the operators, locations and assets windows.
void registerRecordWindows(TAbertura& abertura, TDados& dados, Prompter& prompter);

}  // namespace ambitra::ui
