#pragma once

#include <QLineEdit>

class QToolButton;

// A text box with a small three-dot button inside its right end. It knows nothing of what
// the button is for: it only reports the click, with itself as the sender.
//
// Built on QLineEdit: its text margins keep the text clear of the button, it gives the
// single-line selection behaviour and passes Return on to the dialog by itself.
class TCustomEllipsisEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString EllipsisHint READ EllipsisHint WRITE setEllipsisHint)
public:
    static constexpr int ButtonWidth = 15;
    // The pointer is an arrow rather than an I-beam over this many pixels at the right of
    // the client area: the button, the strip beside it and one pixel more.
    static constexpr int ArrowZoneWidth = 17;

    explicit TCustomEllipsisEdit(QWidget* parent = nullptr);

    // The button's tool tip; the box's own tool tip is separate.
    QString EllipsisHint() const;
    void setEllipsisHint(const QString& hint);

    // The area inside the frame, where the button and the text live.
    QRect clientRect() const;

signals:
    void OnEllipsisClick(TCustomEllipsisEdit* sender);
    void doubleClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeButton();
    void updatePointer(int x);

    QToolButton* m_button = nullptr;
    QWidget* m_strip = nullptr;
};
