#pragma once

class QApplication;

namespace ambitra::ui {

// Names the application "Ambitra PC" (message boxes carry it as their title).
// No display name is set: the window system would append it to every caption
// ("Sobre o Ambitra — Ambitra PC"), and each window has its own exact caption.
void nameApplication();

// Gives every window the program's icon, the child windows and dialogs included.
void setProgramIcon();

// The toolkit's standard buttons and dialogs in Portuguese ("Sim", "Não",
// "Cancelar"), with the words its translation leaves in English (the file
// dialog's "Folder", "File") put in Portuguese too.
void translateApplication(QApplication& app);

}  // namespace ambitra::ui
