#include "view/KeyStroke.h"

KeyStroke KeyStroke::from(int qtKey, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    KeyStroke stroke;
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        stroke.code = Numpad0 + (qtKey - Qt::Key_0);
    } else {
        switch (qtKey) {
        case Qt::Key_Left:
            stroke.code = Left;
            break;
        case Qt::Key_Up:
            stroke.code = Up;
            break;
        case Qt::Key_Right:
            stroke.code = Right;
            break;
        case Qt::Key_Down:
            stroke.code = Down;
            break;
        case Qt::Key_F1:
            stroke.code = F1;
            break;
        case Qt::Key_F11:
            stroke.code = F11;
            break;
        case Qt::Key_Escape:
            stroke.code = Escape;
            break;
        case Qt::Key_Space:
            stroke.code = Space;
            break;
        case Qt::Key_Backspace:
            stroke.code = Back;
            break;
        case Qt::Key_PageUp:
            stroke.code = PageUp;
            break;
        case Qt::Key_PageDown:
            stroke.code = PageDown;
            break;
        case Qt::Key_Home:
            stroke.code = Home;
            break;
        case Qt::Key_End:
            stroke.code = End;
            break;
        case Qt::Key_Plus:
            stroke.code = keypad ? Add : OemPlus;
            break;
        case Qt::Key_Minus:
            stroke.code = keypad ? Subtract : OemMinus;
            break;
        case Qt::Key_C:
        case Qt::Key_F:
        case Qt::Key_P:
            stroke.code = qtKey; // the letters share their codes with Qt
            break;
        default:
            break;
        }
    }
    stroke.exactlyCtrl = (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier &&
                         buttons == Qt::NoButton;
    stroke.plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    return stroke;
}

KeyStroke KeyStroke::fromRelease(int qtKey, Qt::KeyboardModifiers atRelease,
                                 std::optional<Qt::KeyboardModifiers> atPress,
                                 Qt::MouseButtons buttons)
{
    KeyStroke stroke = from(qtKey, atRelease, buttons);
    stroke.pressedHere = atPress.has_value();
    const Qt::KeyboardModifiers others = atRelease & ~(Qt::ControlModifier | Qt::KeypadModifier);
    if (!stroke.exactlyCtrl && others == Qt::NoModifier)
        stroke.exactlyCtrl = from(qtKey, atPress.value_or(Qt::NoModifier), buttons).exactlyCtrl;
    return stroke;
}
