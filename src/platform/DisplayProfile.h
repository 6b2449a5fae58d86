#pragma once

#include <QByteArray>

// The colour profile of the screen, as colour calibration tools publish it on X11: the
// _ICC_PROFILE property of the root window. Empty when there is none, or not on X11.
namespace DisplayProfile {

QByteArray read();

} // namespace DisplayProfile
