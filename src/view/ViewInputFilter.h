#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include "view/KeyReleaseHold.h"
#include "view/WheelNotches.h"

class TMainForm;

// The window's key preview and its wheel, and the mouse on the photo and the empty view
// area: an application-wide filter that passes these events to the window's handlers and
// lets every event go on as if it had not been there.
class ViewInputFilter : public QObject
{
    Q_OBJECT
public:
    explicit ViewInputFilter(TMainForm& form);
    ~ViewInputFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowEvent(QEvent* event);
    void keyUp(const KeyReleaseHold::Release& release);
    void photoMouseEvent(QEvent* event);
    void viewAreaMouseEvent(QEvent* event);

    TMainForm& m_form;
    WheelNotches m_wheel;
    KeyReleaseHold m_releases;
    QHash<int, Qt::KeyboardModifiers> m_pressModifiers; // of each key held down
    QTimer m_releaseWait;
};
