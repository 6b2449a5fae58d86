#include "controls/PanelStatusBar.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

// Screen readers find the status bar by its role ("read the status bar"); a plain widget
// would be announced as a mere grouping.
QAccessibleInterface* accessibleStatusBar(const QString& className, QObject* object)
{
    if (className == QLatin1String("PanelStatusBar") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    return nullptr;
}

} // namespace

PanelStatusBar::PanelStatusBar(const std::vector<int>& widths, QWidget* parent)
    : QWidget(parent), m_widths(widths)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleStatusBar);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    for (int i = 0; i < panelCount(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAccessibleDescription(QStringLiteral("ステータス %1").arg(i));
        m_labels.push_back(label);
    }
    layoutPanels();
}

QString PanelStatusBar::panelText(int index) const
{
    return m_labels[size_t(index)]->text();
}

void PanelStatusBar::setPanelText(int index, const QString& text)
{
    m_labels[size_t(index)]->setText(text);
}

QRect PanelStatusBar::panelRect(int index) const
{
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += m_widths[size_t(i)];
    const int inset = index == 0 ? 0 : 2;
    const int width = index == panelCount() - 1 ? this->width() - left - inset
                                                 : m_widths[size_t(index)] - inset;
    return QRect(left + inset, 2, std::max(0, width), std::max(0, height() - 2));
}

void PanelStatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void PanelStatusBar::layoutPanels()
{
    for (int i = 0; i < panelCount(); ++i)
        m_labels[size_t(i)]->setGeometry(panelRect(i));
}
