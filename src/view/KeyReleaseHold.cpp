#include "view/KeyReleaseHold.h"

#include <utility>

std::optional<KeyReleaseHold::Release> KeyReleaseHold::release(const Release& release)
{
    return std::exchange(m_held, release);
}

std::optional<KeyReleaseHold::Release> KeyReleaseHold::press(int qtKey, quint64 timestamp)
{
    std::optional<Release> held = std::exchange(m_held, std::nullopt);
    if (held && held->qtKey == qtKey && held->timestamp == timestamp)
        return std::nullopt; // an auto-repeat: the key never went up
    return held;
}

std::optional<KeyReleaseHold::Release> KeyReleaseHold::expire()
{
    return std::exchange(m_held, std::nullopt);
}
