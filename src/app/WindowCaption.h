#pragma once

#include <QString>

class QWindow;

// The window's caption exactly as the settings file stores it. Qt reads "[*]" in a window title
// as the place of a modified-document mark, and X11 shows an empty title as the program's name.
namespace WindowCaption {

// The window title that shows the caption: each "[*]" doubled, which Qt shows as one.
QString toWindowTitle(const QString& caption);
// The caption a title made by toWindowTitle shows.
QString fromWindowTitle(const QString& title);
// Gives the native window an empty title on X11, where Qt would show the program's name.
void showEmpty(QWindow& window);

} // namespace WindowCaption
