#include "core/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

QString contents(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

struct Settings {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("sub/korvel.ini"));
    SettingsFile file{path, QStringLiteral("korvel")};
    void seed(const char* text) {
        QFile f(path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
};

TEST(SettingsFile, MissingFileSectionOrKeyReadsEmpty) {
    Settings s;
    EXPECT_EQ(s.file.ReadSetting(QStringLiteral("Port")), QString());
    s.seed("[other]\nPort=3\n");
    EXPECT_EQ(s.file.ReadSetting(QStringLiteral("Port")), QString());
    s.seed("[korvel]\nPorts=3\n");
    EXPECT_EQ(s.file.ReadSetting(QStringLiteral("Port")), QString());
}

TEST(SettingsFile, FirstWriteCreatesFileAndSection) {
    Settings s;
    ASSERT_TRUE(s.file.WriteSetting(QStringLiteral("Numeric Format"), QStringLiteral("##.##")));
    EXPECT_EQ(contents(s.path), QStringLiteral("[korvel]\nNumeric Format=##.##\n"));
    EXPECT_EQ(s.file.ReadSetting(QStringLiteral("numeric format")), QStringLiteral("##.##"));
}

TEST(SettingsFile, ReadingRules) {
    Settings s;
    s.seed("[Other]\nBIN Location=/wrong\n[KORVEL]\n  bin location  =   /data/rom.bin  \nUpload Execute=\n"
           "Port = 3 with text\r\nLong=" +
           QByteArray(300, 'x') + "\n");
    const std::pair<const char*, QString> cases[] = {
        {"BIN Location", QStringLiteral("/data/rom.bin")}, // keys any case, values trimmed, section any case
        {"Upload Execute", QString()},
        {"PORT", QStringLiteral("3 with text")},
        {"Long", QString(254, QLatin1Char('x'))}, // at most 254 characters
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(s.file.ReadSetting(QLatin1String(key)), value) << key;
}

TEST(SettingsFile, WriteReplacesTheKeyAndKeepsEverythingElse) {
    Settings s;
    s.seed("; comment\n[other]\nPort=9\n[korvel]\nPort=4\nECU Location=/a.ecu\n\n[last]\nx=1\n");
    ASSERT_TRUE(s.file.WriteSetting(QStringLiteral("port"), QStringLiteral("2")));
    ASSERT_TRUE(s.file.WriteSetting(QStringLiteral("BIN Location"), QStringLiteral("/b.bin")));
    EXPECT_EQ(contents(s.path),
              QStringLiteral("; comment\n[other]\nPort=9\n[korvel]\nport=2\nECU Location=/a.ecu\n"
                             "BIN Location=/b.bin\n\n[last]\nx=1\n"));
    EXPECT_EQ(s.file.ReadSetting(QStringLiteral("Port")), QStringLiteral("2"));
}

TEST(SettingsFile, WriteToAnUnwritablePlaceFailsQuietly) {
    SettingsFile file(QStringLiteral("/proc/korvel-test/korvel.ini"), QStringLiteral("korvel"));
    EXPECT_FALSE(file.WriteSetting(QStringLiteral("Port"), QStringLiteral("1")));
    EXPECT_EQ(file.ReadSetting(QStringLiteral("Port")), QString());
}

} // namespace
