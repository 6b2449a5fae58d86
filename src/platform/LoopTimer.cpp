#include "platform/LoopTimer.h"

LoopTimer::LoopTimer(const QString& name, int interval, QObject* parent)
    : QObject(parent), m_interval(interval)
{
    setObjectName(name);
    connect(&m_timer, &QTimer::timeout, this, &LoopTimer::timeout);
}

void LoopTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void LoopTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    m_timer.stop();
    apply();
}

void LoopTimer::apply()
{
    if (m_enabled && m_interval > 0) {
        if (!m_timer.isActive())
            m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}
