#pragma once

#include <Qt>

// A key as the window's key handlers see it: its Windows virtual-key code, so that the key
// tables read as documented, and whether exactly Ctrl was held.
struct KeyStroke
{
    enum Code : int {
        Unknown = 0,
        C = 67,
        F = 70,
        P = 80,
        Left = 37,
        Up = 38,
        Right = 39,
        Down = 40,
        Numpad0 = 96,
        Numpad1 = 97,
        Numpad3 = 99,
        Numpad4 = 100,
        Numpad5 = 101,
        Numpad6 = 102,
        Numpad7 = 103,
        Numpad9 = 105,
        F1 = 112,
    };

    int code = Unknown;
    // Ctrl held and neither Shift nor Alt nor Meta nor any mouse button.
    bool exactlyCtrl = false;

    // Keypad digits are the digit keys with the keypad flag (Num Lock on); the keypad's arrows
    // with Num Lock off count as arrows. The top-row digits are not keypad keys.
    static KeyStroke from(int qtKey, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
    // A key's release. Ctrl counts as held alone when it was so at the release, or when it was
    // at the key's press and no other modifier is held at the release: a quick Ctrl+F often
    // lets go of Ctrl a moment before the F.
    static KeyStroke fromRelease(int qtKey, Qt::KeyboardModifiers atRelease,
                                 Qt::KeyboardModifiers atPress, Qt::MouseButtons buttons);
};
