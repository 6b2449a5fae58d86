#pragma once

// The desktop session's message bus (D-Bus), which Qt uses for accessibility and desktop
// integration where there is one.
namespace SessionBus {

// Where no session bus runs, tells the D-Bus library that there is none. Left alone it would
// start a bus daemon of its own, which writes under the home folder and outlives the
// program. Runs before the application object exists; programs the viewer starts (the help
// file's and the album page's viewers) inherit the setting.
void preventAutolaunch();

} // namespace SessionBus
