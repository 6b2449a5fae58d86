#include "controls/TCustomEllipsisEdit.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QToolButton>

#include "controls/Glyphs.h"

namespace {

constexpr QSize GlyphSize(14, 5);

// The glyph is nearly as wide as the button: it is drawn whole over the bevel, centred,
// never shrunk into the space inside the bevel as a tool button would.
class EllipsisButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.icon = QIcon();
        option.text.clear();
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
        QPoint at((width() - GlyphSize.width()) / 2, (height() - GlyphSize.height()) / 2);
        if (isDown())
            at += QPoint(1, 1);
        painter.drawPixmap(at,
                           icon().pixmap(GlyphSize, isEnabled() ? QIcon::Normal : QIcon::Disabled));
    }
};

} // namespace

TCustomEllipsisEdit::TCustomEllipsisEdit(QWidget* parent) : QLineEdit(parent)
{
    resize(150, 20);
    setMouseTracking(true); // the pointer shape depends on where it is over the box

    m_button = new EllipsisButton(this);
    m_button->setObjectName(QStringLiteral("EllipsisButton"));
    m_button->setIcon(Glyphs::ellipsisIcon());
    m_button->setIconSize(GlyphSize);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setAccessibleName(QStringLiteral("参照"));
    // Pressing the button puts the keyboard in the box first, as a click on the box would.
    connect(m_button, &QToolButton::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(m_button, &QToolButton::clicked, this, [this] { emit OnEllipsisClick(this); });

    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("EllipsisStrip"));
    m_strip->setAutoFillBackground(true);
    m_strip->setBackgroundRole(QPalette::Button);
    m_strip->setCursor(Qt::ArrowCursor);

    setTextMargins(0, 0, ButtonWidth, 0);
    placeButton();
}

QString TCustomEllipsisEdit::EllipsisHint() const
{
    return m_button->toolTip();
}

void TCustomEllipsisEdit::setEllipsisHint(const QString& hint)
{
    m_button->setToolTip(hint);
}

QRect TCustomEllipsisEdit::clientRect() const
{
    if (!hasFrame())
        return rect();
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    return rect().adjusted(frame, frame, -frame, -frame);
}

void TCustomEllipsisEdit::placeButton()
{
    const QRect client = clientRect();
    m_button->setGeometry(client.right() + 1 - ButtonWidth, client.top(), ButtonWidth,
                          client.height());
    m_strip->setGeometry(m_button->x() - 1, client.top(), 1, client.height());
}

void TCustomEllipsisEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TCustomEllipsisEdit::updatePointer(int x)
{
    const QRect client = clientRect();
    if (x - client.left() < client.width() - ArrowZoneWidth)
        setCursor(Qt::IBeamCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void TCustomEllipsisEdit::mouseMoveEvent(QMouseEvent* event)
{
    updatePointer(event->position().toPoint().x());
    QLineEdit::mouseMoveEvent(event);
}

void TCustomEllipsisEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void TCustomEllipsisEdit::focusInEvent(QFocusEvent* event)
{
    // Entering the box selects its text, except when a press of the mouse put the caret
    // somewhere, or the focus merely comes back with the window or after a pop-up menu.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason)
        selectAll();
    QLineEdit::focusInEvent(event);
}

void TCustomEllipsisEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    // The frame's width depends on the style and the frame setting.
    if (event->type() == QEvent::StyleChange)
        placeButton();
}
