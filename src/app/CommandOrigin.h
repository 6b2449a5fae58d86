#pragma once

// Who issued a command. Only the slide timer's own commands pass StopAutoNext, and the
// previous-album command lands on the album's last photo when it has no origin (the wheel).
enum class CommandOrigin {
    Control,    // a tool button or menu item
    MainWindow, // a key-down handled by the window
    None,       // the wheel and the key-up commands
    SlideTimer,
};
