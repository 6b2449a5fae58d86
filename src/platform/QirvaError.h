#pragma once

#include <QString>

#include <exception>

// The one error type of the program: it carries the final text that the general error report
// shows. Every entry point from the event loop catches it (see ErrorReport).
class QirvaError : public std::exception
{
public:
    explicit QirvaError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}

    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
