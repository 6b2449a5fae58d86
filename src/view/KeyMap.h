#pragma once

#include "view/KeyStroke.h"

// The window's key tables: the command a key runs on its way down or up. The keypad, the
// arrows, F1, F11, Esc and the Ctrl letters act whatever has the focus; the keys beside the
// keypad (paging, Space, Backspace, Home, End, + and -) act only while the folder panel is
// hidden, since the tree moves its selection with them. Whether the command's control is
// enabled is for the window to test.
class KeyMap
{
public:
    enum class Command
    {
        None,
        NextPhoto,
        PrevPhoto,
        FirstPhoto,
        LastPhoto,
        NextAlbum,
        PrevAlbum,
        FitToggle,
        PanLeft,
        PanUp,
        PanRight,
        PanDown,
        ZoomIn,
        ZoomOut,
        Help,
        AutoNextToggle,
        FullScreen,
        LeaveFullScreen, // nothing outside full screen
        Print,
        Copy,
        EndPan,
    };

    // Every press counts, auto-repeats included.
    static Command down(const KeyStroke& key, bool folderPanelShown);
    // Only a real release (never one of an auto-repeat).
    static Command up(const KeyStroke& key);
};
