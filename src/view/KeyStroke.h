#pragma once

#include <Qt>

#include <optional>

// A key as the window's key handlers see it: its Windows virtual-key code, so that the key
// tables read as documented, and whether exactly Ctrl was held.
struct KeyStroke
{
    enum Code : int {
        Unknown = 0,
        Back = 8,
        Escape = 27,
        Space = 32,
        PageUp = 33,
        PageDown = 34,
        End = 35,
        Home = 36,
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
        Add = 107,      // the keypad's +
        Subtract = 109, // the keypad's -
        F1 = 112,
        F11 = 122,
        OemPlus = 187,  // + on the main keyboard
        OemMinus = 189, // - on the main keyboard
    };

    int code = Unknown;
    // Ctrl held and neither Shift nor Alt nor Meta nor any mouse button.
    bool exactlyCtrl = false;
    // Neither Ctrl nor Alt nor Meta held (Shift makes the + of some keyboards).
    bool plain = false;
    // For a release: the window saw the key go down. A key pressed in a menu, in the menu bar's
    // keyboard mode or in a dialog that closed on the press comes up at the window without
    // having gone down there.
    bool pressedHere = true;

    // Keypad digits are the digit keys with the keypad flag (Num Lock on); the keypad's arrows
    // with Num Lock off count as arrows. The top-row digits are not keypad keys.
    static KeyStroke from(int qtKey, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
    // A key's release. Ctrl counts as held alone when it was so at the release, or when it was
    // at the key's press and no other modifier is held at the release: a quick Ctrl+F often
    // lets go of Ctrl a moment before the F.
    // atPress is empty when the window did not see the press.
    static KeyStroke fromRelease(int qtKey, Qt::KeyboardModifiers atRelease,
                                 std::optional<Qt::KeyboardModifiers> atPress,
                                 Qt::MouseButtons buttons);
};
