#pragma once

#include <QString>

#include <functional>

class QWidget;

// The general error report: the text of an error that escaped a handler, shown in a modal
// box titled "QIRVA" with the error icon and one OK button; the program then goes on.
namespace ErrorReport {

// The text as shown: a "." is added when the last character's code point is above that of ".".
QString displayText(const QString& message);

void show(QWidget* parent, const QString& message);

// Runs an event-loop entry point; a QirvaError (or any other exception) escaping it is
// reported instead of crossing the event loop.
void guard(QWidget* parent, const std::function<void()>& handler);

} // namespace ErrorReport
