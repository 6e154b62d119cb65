#pragma once

#include "core/adx_decoder.h"

#include <QFile>

#include <functional>
#include <optional>

namespace korvel {

// The CSV file one logging run writes: its heading, then a row for every good frame with
// the seconds since the first row. Each row is flushed as it is written, so an unplugged
// cable or a crash loses nothing already logged. What the heading and the rows say is
// the format's business.
class DataLog {
public:
    struct Format {
        std::function<QString()> heading;
        std::function<QString(double seconds, const AdxDecoded& decoded)> row;
        explicit operator bool() const { return heading && row; }
    };

    // Creates (or empties) `path` and writes the heading. False with error() when the
    // file cannot be written.
    bool open(const QString& path, Format format);
    // Writes the frame's row; `seconds` on the line's clock. False with error() when the
    // write failed: the file is closed then.
    bool write(double seconds, const AdxDecoded& decoded);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    qint64 rows() const { return m_rows; }
    const QString& error() const { return m_error; }

private:
    bool writeLine(const QString& text);

    QFile m_file;
    Format m_format;
    std::optional<double> m_first; // the line's clock at the first row
    qint64 m_rows = 0;
    QString m_error;
};

} // namespace korvel
