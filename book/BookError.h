#pragma once

#include <QString>

#include <stdexcept>

// A failure the tool reports in one line and ends on.
class BookError : public std::runtime_error {
public:
    explicit BookError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
};
