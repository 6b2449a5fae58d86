#pragma once

// Turns wheel deltas into whole notches of 120 units. A mouse gives a notch per event; a
// smooth device gives small deltas that are added up until they make one.
class WheelNotches
{
public:
    static constexpr int NotchDelta = 120;
    // Every notch shows a photo; a device that reports a wild delta must not queue up
    // thousands of them.
    static constexpr int MaxNotchesPerEvent = 10;

    // Adds a vertical delta (positive away from the user) and returns the notches it
    // completes: positive away from the user, negative toward the user.
    int add(int delta);

private:
    int m_pending = 0;
};
