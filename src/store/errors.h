#pragma once
// Every failure in this program is an exception carrying one message text.
// The guard of the windows (ui/guard.h) is the only place that catches them.
#include <QString>
#include <exception>
#include <string>

class EError : public std::exception {
public:
    explicit EError(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// The database-access layer's error.
class ESQLiteException : public EError {
public:
    using EError::EError;
};
