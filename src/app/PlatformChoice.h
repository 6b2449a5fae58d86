#pragma once

#include <QString>

#include <vector>

// Chooses Qt's platform before the application exists. Window positions (Top, Left, full
// screen's saved bounds) exist only on X11, so the program runs on X11 (XWayland on a Wayland
// desktop) whenever an X display answers; the user's own choice, QT_QPA_PLATFORM or Qt's
// -platform option, always wins.
namespace PlatformChoice {

// Whether the user named a platform: QT_QPA_PLATFORM set and not empty, or "-platform"
// (also "--platform") among the arguments.
bool userChosePlatform(int argc, char** argv);

// Whether an X server accepts a connection at $DISPLAY.
bool xDisplayAnswers();

// The arguments to start the application with, null-terminated: argv itself, with
// "-platform xcb" after the program name when neither the user chose a platform nor is there
// no X display to run on.
std::vector<char*> applicationArguments(int argc, char** argv);

// Whether the platform of that name tells where windows stand on the screen (Wayland does
// not: a window cannot know or choose its position there).
bool knowsWindowPositions(const QString& platformName);

} // namespace PlatformChoice
