#include "view/WheelNotches.h"

#include <algorithm>

int WheelNotches::add(int delta)
{
    const long long total = static_cast<long long>(m_pending) + delta;
    const long long notches = total / NotchDelta; // toward zero: the rest waits for more
    m_pending = static_cast<int>(total - notches * NotchDelta);
    return static_cast<int>(
        std::clamp<long long>(notches, -MaxNotchesPerEvent, MaxNotchesPerEvent));
}
