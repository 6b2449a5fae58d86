#include "platform/ErrorReport.h"

#include <QCoreApplication>

#include <exception>

#include "platform/Desktop.h"
#include "platform/QirvaError.h"

namespace ErrorReport {

QString displayText(const QString& message)
{
    if (message.isEmpty())
        return message;
    // Compare whole code points, so a trailing surrogate pair counts as one character.
    const uint last = message.toUcs4().constLast();
    return last > uint('.') ? message + QLatin1Char('.') : message;
}

void show(QWidget* parent, const QString& message)
{
    Desktop::instance().showMessage(parent, QMessageBox::Critical, QStringLiteral("QIRVA"),
                                    displayText(message));
}

void guard(QWidget* parent, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const QirvaError& error) {
        show(parent, error.text());
    } catch (const std::exception& error) {
        show(parent, QString::fromLocal8Bit(error.what()));
    }
}

} // namespace ErrorReport
