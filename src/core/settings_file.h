#pragma once

#include <QString>

namespace korvel {

// The ini-style settings file: one section, keys matched without regard to case,
// values trimmed and limited to 254 characters. Nothing is cached: every read goes
// to the file and every write rewrites it at once, keeping other keys and sections.
class SettingsFile {
public:
    SettingsFile(QString path, QString section);

    QString ReadSetting(const QString& key) const;
    bool WriteSetting(const QString& key, const QString& value);

    const QString& path() const { return m_path; }
    const QString& section() const { return m_section; }

    // Beside the executable, named after its base name with ".ini"; the user's
    // configuration folder when the program is installed (in a bin folder) or its
    // folder is not writable.
    static QString defaultPath();
    static QString defaultSection();

private:
    QString m_path;
    QString m_section;
};

// The port number a "Port" value selects: 2, 3 or 4 when the value begins with that
// digit, otherwise 1 (so "12" and "COM2" select port 1).
int portNumberFromSetting(const QString& value);

} // namespace korvel
