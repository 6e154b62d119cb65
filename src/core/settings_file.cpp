#include "settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace korvel {

namespace {

constexpr int kLongestValue = 254; // the profile functions read into 255 characters

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

bool isSectionHeader(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) return false;
    *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// The key of a "key=value" line, trimmed; empty for other lines.
QString keyOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) return {};
    return line.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

SettingsFile::SettingsFile(QString path, QString section)
    : m_path(std::move(path)), m_section(std::move(section)) {}

QString SettingsFile::ReadSetting(const QString& key) const {
    const QStringList lines = readLines(m_path);
    bool inSection = false;
    for (const QString& line : lines) {
        QString name;
        if (isSectionHeader(line, &name)) {
            inSection = sameName(name, m_section);
            continue;
        }
        if (inSection && sameName(keyOf(line), key.trimmed())) {
            const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
            return value.left(kLongestValue);
        }
    }
    return {};
}

bool SettingsFile::WriteSetting(const QString& key, const QString& value) {
    QStringList lines = readLines(m_path);
    const QString entry = key.trimmed() + QLatin1Char('=') + value;
    qsizetype sectionStart = -1; // index of the section header
    qsizetype lastEntry = -1;    // last line that belongs to the section
    qsizetype existing = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (isSectionHeader(lines[i], &name)) {
            inSection = sameName(name, m_section) && sectionStart < 0;
            if (inSection) {
                sectionStart = i;
                lastEntry = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!lines[i].trimmed().isEmpty()) lastEntry = i;
        if (existing < 0 && sameName(keyOf(lines[i]), key.trimmed())) existing = i;
    }
    if (existing >= 0) {
        lines[existing] = entry;
    } else if (sectionStart >= 0) {
        lines.insert(lastEntry + 1, entry);
    } else {
        lines << QLatin1Char('[') + m_section + QLatin1Char(']') << entry;
    }

    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(lines.join(QLatin1Char('\n')).toUtf8());
    out.write("\n");
    return out.commit();
}

QString SettingsFile::defaultSection() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString SettingsFile::defaultPath() {
    const QString name = defaultSection() + QStringLiteral(".ini");
    const QString programFolder = QCoreApplication::applicationDirPath();
    // An installed program (in a bin folder: /usr/bin, ~/.local/bin) keeps its settings in
    // the user's configuration folder even where it could write beside itself (as root).
    const bool installed = programFolder.endsWith(QLatin1String("/bin"));
    if (!installed && QFileInfo(programFolder).isWritable()) return programFolder + QLatin1Char('/') + name;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QLatin1Char('/') + name;
}

int portNumberFromSetting(const QString& value) {
    const QChar first = value.isEmpty() ? QChar() : value.front();
    return (first >= QLatin1Char('2') && first <= QLatin1Char('4')) ? first.digitValue() : 1;
}

} // namespace korvel
