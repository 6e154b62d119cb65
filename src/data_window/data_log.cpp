#include "data_log.h"

namespace korvel {

bool DataLog::open(const QString& path, Format format) {
    close();
    m_format = std::move(format);
    m_first.reset();
    m_rows = 0;
    m_error.clear();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return writeLine(m_format.heading());
}

bool DataLog::write(double seconds, const AdxDecoded& decoded) {
    if (!isOpen()) return false;
    if (!m_first) m_first = seconds;
    if (!writeLine(m_format.row(seconds - *m_first, decoded))) return false;
    ++m_rows;
    return true;
}

bool DataLog::writeLine(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n')) bytes.append('\n');
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(m_file.fileName(), m_file.errorString());
        m_file.close();
        return false;
    }
    return true;
}

void DataLog::close() {
    if (m_file.isOpen()) m_file.close();
}

} // namespace korvel
