#pragma once

// The error the program raises where a command cannot go on; caught once where it started.

#include <QString>

#include <stdexcept>

// An error raised by an operation; the command that started it catches it once and shows
// its message, and the program goes on.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The user called a command off half-way (a question answered with Cancel): nothing is
// shown and nothing more happens.
class CommandCancelled : public AppError {
public:
    CommandCancelled() : AppError(QStringLiteral("Cancelled")) {}
};
