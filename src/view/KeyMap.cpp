#include "view/KeyMap.h"

namespace {

using Command = KeyMap::Command;

// The keys every viewer steps and zooms with, beside the keypad's.
Command besideTheKeypad(const KeyStroke& key)
{
    if (key.exactlyCtrl && key.code == KeyStroke::PageDown)
        return Command::NextAlbum;
    if (key.exactlyCtrl && key.code == KeyStroke::PageUp)
        return Command::PrevAlbum;
    if (!key.plain)
        return Command::None;
    switch (key.code) {
    case KeyStroke::PageDown:
    case KeyStroke::Space:
        return Command::NextPhoto;
    case KeyStroke::PageUp:
    case KeyStroke::Back:
        return Command::PrevPhoto;
    case KeyStroke::Home:
        return Command::FirstPhoto;
    case KeyStroke::End:
        return Command::LastPhoto;
    case KeyStroke::Add:
    case KeyStroke::OemPlus:
        return Command::ZoomIn;
    case KeyStroke::Subtract:
    case KeyStroke::OemMinus:
        return Command::ZoomOut;
    default:
        return Command::None;
    }
}

} // namespace

KeyMap::Command KeyMap::down(const KeyStroke& key, bool folderPanelShown)
{
    switch (key.code) {
    case KeyStroke::Numpad4:
        return Command::PrevPhoto;
    case KeyStroke::Numpad6:
        return Command::NextPhoto;
    case KeyStroke::Numpad3:
        return Command::NextAlbum;
    case KeyStroke::Numpad1:
        return Command::PrevAlbum;
    case KeyStroke::Numpad7:
        return Command::FirstPhoto;
    case KeyStroke::Numpad9:
        return Command::LastPhoto;
    case KeyStroke::Numpad0:
        return Command::FitToggle;
    case KeyStroke::Left:
        return Command::PanLeft;
    case KeyStroke::Up:
        return Command::PanUp;
    case KeyStroke::Right:
        return Command::PanRight;
    case KeyStroke::Down:
        return Command::PanDown;
    default:
        return folderPanelShown ? Command::None : besideTheKeypad(key);
    }
}

KeyMap::Command KeyMap::up(const KeyStroke& key)
{
    switch (key.code) {
    case KeyStroke::F1:
        return Command::Help;
    case KeyStroke::Numpad5:
        return Command::AutoNextToggle;
    case KeyStroke::F:
        return key.exactlyCtrl ? Command::FullScreen : Command::None;
    case KeyStroke::P:
        return key.exactlyCtrl ? Command::Print : Command::None;
    case KeyStroke::C:
        return key.exactlyCtrl ? Command::Copy : Command::None;
    case KeyStroke::Left:
    case KeyStroke::Up:
    case KeyStroke::Right:
    case KeyStroke::Down:
        return Command::EndPan;
    // Toggles act on the release, as Ctrl+F does, so a held key switches once; and only
    // for a key that went down here, not for the Esc that closed a menu or a dialog.
    case KeyStroke::F11:
        return key.plain && key.pressedHere ? Command::FullScreen : Command::None;
    case KeyStroke::Escape:
        return key.plain && key.pressedHere ? Command::LeaveFullScreen : Command::None;
    default:
        return Command::None;
    }
}
