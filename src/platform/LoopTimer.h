#pragma once

#include <QTimer>

// A timer with the manners of a message-loop timer: enabling a running timer leaves it
// running, an interval of 0 or less never fires, and a new interval restarts a running timer.
class LoopTimer : public QObject
{
    Q_OBJECT
public:
    explicit LoopTimer(const QString& name, int interval, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int milliseconds);

signals:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval = 0;
};
