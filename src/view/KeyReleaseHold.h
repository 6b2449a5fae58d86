#pragma once

#include <QtGlobal>

#include <optional>

#include "view/KeyStroke.h"

// Tells real key releases from X11's auto-repeat. While a key is held, X11 sends a release
// and a press with the same time stamp for every repeat, and Qt does not always see the pair
// in time to flag it. A release is therefore held back until the next press shows it was a
// repeat (same key, same time stamp), or a different press or the end of a short wait shows
// it was real.
class KeyReleaseHold
{
public:
    // How long a release waits for its repeat press; X11 sends the two together.
    static constexpr int GraceMilliseconds = 25;

    struct Release
    {
        int qtKey = 0;
        quint64 timestamp = 0;
        KeyStroke stroke; // as it was when the key went up
    };

    bool holding() const { return bool(m_held); }

    // A release arrived; it is held. Returns an earlier held release, which is real.
    std::optional<Release> release(const Release& release);
    // A press arrived. Returns the held release when it was real; the caller handles it
    // before the press. A held release that the press repeats is dropped.
    std::optional<Release> press(int qtKey, quint64 timestamp);
    // The wait ran out: the held release is real.
    std::optional<Release> expire();

private:
    std::optional<Release> m_held;
};
