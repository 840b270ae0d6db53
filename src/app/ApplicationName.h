#pragma once

namespace ambitra::ui {

// Names the application "Ambitra PC" (message boxes carry it as their title).
// No display name is set: the window system would append it to every caption
// ("Sobre o Ambitra — Ambitra PC"), and each window has its own exact caption.
void nameApplication();

}  // namespace ambitra::ui
