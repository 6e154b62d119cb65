#pragma once

#include <QString>

namespace korvel {

// The outcome of an operation that can fail: empty error text means success.
// The text is what the user is shown (a file's reason, a line number, an item).
class Status {
public:
    Status() = default;
    static Status failure(QString text) {
        Status s;
        s.m_error = std::move(text);
        s.m_failed = true;
        return s;
    }
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString& error() const { return m_error; }

private:
    QString m_error;
    bool m_failed = false;
};

} // namespace korvel
