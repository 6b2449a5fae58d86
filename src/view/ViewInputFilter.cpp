#include "view/ViewInputFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWindow>

#include "app/TMainForm.h"
#include "controls/ResizeNotifyPanel.h"
#include "platform/ErrorReport.h"
#include "view/KeyStroke.h"
#include "view/PhotoImage.h"

ViewInputFilter::ViewInputFilter(TMainForm& form) : QObject(&form), m_form(form)
{
    m_releaseWait.setSingleShot(true);
    m_releaseWait.setInterval(KeyReleaseHold::GraceMilliseconds);
    connect(&m_releaseWait, &QTimer::timeout, this, [this] {
        if (const auto release = m_releases.expire())
            keyUp(*release);
    });
    qApp->installEventFilter(this);
}

ViewInputFilter::~ViewInputFilter()
{
    qApp->removeEventFilter(this);
}

bool ViewInputFilter::eventFilter(QObject* watched, QEvent* event)
{
    const bool window = watched == m_form.windowHandle();
    if (!window && watched != m_form.Image1 && watched != m_form.ScrollBox)
        return false;
    // A pop-up menu owns the keys and the mouse while it is open.
    if (QApplication::activePopupWidget())
        return false;
    // Keys and the wheel reach the window's native window once, before any control sees
    // them: previewed there, each is seen exactly once whichever control has the focus.
    if (window)
        windowEvent(event);
    else if (watched == m_form.Image1)
        photoMouseEvent(event);
    else
        viewAreaMouseEvent(event);
    return false;
}

void ViewInputFilter::windowEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A real release held back comes first; one that this press repeats is dropped.
        if (const auto release = m_releases.press(key->key(), key->timestamp()))
            keyUp(*release);
        m_releaseWait.stop();
        // A key for the menu bar in its keyboard mode (after Alt) went down in a menu, not here.
        if (!qobject_cast<QMenuBar*>(m_form.focusWidget()))
            m_pressModifiers.insert(key->key(), key->modifiers());
        // Auto-repeated presses count: holding an arrow key speeds up the pan.
        const KeyStroke stroke =
            KeyStroke::from(key->key(), key->modifiers(), QGuiApplication::mouseButtons());
        ErrorReport::guard(&m_form, [&] { m_form.FormKeyDown(stroke); });
        break;
    }
    case QEvent::KeyRelease: {
        // Only the real release of a key is a key-up, never one of X11's auto-repeat pairs.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            break;
        const auto pressed = m_pressModifiers.constFind(key->key());
        std::optional<Qt::KeyboardModifiers> atPress;
        if (pressed != m_pressModifiers.cend())
            atPress = *pressed;
        m_pressModifiers.remove(key->key());
        const KeyStroke stroke = KeyStroke::fromRelease(key->key(), key->modifiers(), atPress,
                                                        QGuiApplication::mouseButtons());
        if (const auto earlier = m_releases.release({key->key(), key->timestamp(), stroke}))
            keyUp(*earlier);
        m_releaseWait.start();
        break;
    }
    case QEvent::Wheel: {
        const int notches = m_wheel.add(static_cast<QWheelEvent*>(event)->angleDelta().y());
        for (int i = 0; i < notches; ++i)
            ErrorReport::guard(&m_form, [this] { m_form.FormMouseWheelUp(); });
        for (int i = 0; i > notches; --i)
            ErrorReport::guard(&m_form, [this] { m_form.FormMouseWheelDown(); });
        break;
    }
    default:
        break;
    }
}

void ViewInputFilter::keyUp(const KeyReleaseHold::Release& release)
{
    ErrorReport::guard(&m_form, [&] { m_form.FormKeyUp(release.stroke); });
}

void ViewInputFilter::photoMouseEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Widgets get the second press of a double-click as a double-click event only; it is
        // a button going down all the same (a click and a drag at once, two middle clicks).
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        ErrorReport::guard(&m_form, [&] { m_form.Image1MouseDown(mouse->button(), at); });
        break;
    }
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        ErrorReport::guard(&m_form, [&] { m_form.Image1MouseMove(at); });
        break;
    }
    case QEvent::MouseButtonRelease: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        ErrorReport::guard(&m_form, [&] { m_form.Image1MouseUp(button); });
        break;
    }
    default:
        break;
    }
}

void ViewInputFilter::viewAreaMouseEvent(QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return;
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    ErrorReport::guard(&m_form, [&] { m_form.ScrollBoxMouseDown(button); });
}
