#include "controls/ToolBarSeparator.h"

#include <QAccessibleWidget>

namespace {

QAccessibleInterface* separatorInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("ToolBarSeparator") || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
}

} // namespace

ToolBarSeparator::ToolBarSeparator(QWidget* parent) : QFrame(parent)
{
    static const bool registered = [] {
        QAccessible::installFactory(separatorInterface);
        return true;
    }();
    Q_UNUSED(registered);
    setFrameStyle(QFrame::VLine | QFrame::Sunken);
}
