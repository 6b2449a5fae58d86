#pragma once

#include <QtGlobal>

#include <algorithm>
#include <climits>

// The slide timer's interval in milliseconds for an interval setting in tenths of a second.
// A value typed into the settings file may lie far outside what the dialog offers, so the
// product is taken in 64 bits and held within what the timer can take.
inline int slideTimerInterval(qint32 tenths)
{
    return int(std::clamp<qint64>(qint64(tenths) * 100, INT_MIN, INT_MAX));
}
