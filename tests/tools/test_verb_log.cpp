// korvel-cli log against korvel-romsim's simulated ECU, both run as separate processes.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList lines(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n') : QStringList();
}

} // namespace

TEST(VerbLog, LogsCyclesUntilDoneOrStoppedOrSaysTheEcuDoesNotAnswer) {
    // clang-format off
    const std::tuple<QStringList, int, QStringList, int, const char*> cases[] = {
        // korvel-romsim options, the line it gives (1 the emulator's, 2 the ECU's), log options (a stop after
        // three rows without --cycles), exit code, log or stderr start
        {{"--ecu"}, 2, {"--cycles", "3"}, 0, "Time (s),Engine speed (RPM),Coolant (C),MAP (kPa),Throttle (%),"},
        {{"--ecu"}, 2, {"--seconds", "600"}, 0, "Time (s),Engine speed (RPM),Coolant (C),MAP (kPa),Throttle (%),"},
        {{"--silent"}, 1, {"--cycles", "3"}, 1, "The ECU does not answer: \"Mode 1 request\": the line echoed nothing"}};
    // clang-format on
    for (const auto& [simOptions, line, options, exitCode, start] : cases) {
        const QString tools = qEnvironmentVariable("KORVEL_TOOLS_DIR");
        QProcess sim;
        sim.start(tools + QStringLiteral("/korvel-romsim/korvel-romsim"), simOptions);
        ASSERT_TRUE(sim.waitForStarted(5000));
        QString device;
        for (int k = 0; k < line; ++k) {
            while (!sim.canReadLine())
                ASSERT_TRUE(sim.waitForReadyRead(5000));
            device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        }
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("log.csv"));
        QProcess cli;
        cli.start(tools + QStringLiteral("/korvel-cli/korvel-cli"),
                  QStringList{"log", qEnvironmentVariable("KORVEL_EXAMPLES") + "/sample.adx", "--device",
                              device, "--out", csv} +
                      options);
        const bool stop = !options.contains("--cycles");
        for (int k = 0; stop && k < 300 && lines(csv).size() < 5; ++k)
            cli.waitForFinished(100);
        if (stop) cli.terminate();
        ASSERT_TRUE(cli.waitForFinished(30000));
        sim.terminate();
        sim.waitForFinished(5000);
        const QString err = cli.readAllStandardError();
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), exitCode) << err.toStdString();
        if (exitCode != 0) {
            EXPECT_TRUE(err.startsWith(start)) << err.toStdString();
            EXPECT_FALSE(QFile::exists(csv)); // no log was begun
            continue;
        }
        EXPECT_EQ(err.startsWith("stopped after"), stop) << err.toStdString();
        const QStringList rows = lines(csv);
        // The heading, a row per cycle, each ending with a line end.
        ASSERT_TRUE(stop ? rows.size() >= 5 : rows.size() == 5) << rows.join('\n').toStdString();
        EXPECT_EQ(rows.last(), QString());
        EXPECT_TRUE(rows[0].startsWith(start)) << rows[0].toStdString();
        EXPECT_TRUE(rows[1].startsWith("0.000,")) << rows[1].toStdString();
        // Every cycle heard: no field is empty, and the frame counter counts on.
        const int frames = int(rows[0].split(',').indexOf("Frame counter"));
        ASSERT_GT(frames, 0);
        for (int k = 1; k < rows.size() - 1; ++k) {
            const QStringList fields = rows[k].split(',');
            EXPECT_EQ(fields.size(), rows[0].split(',').size());
            EXPECT_FALSE(fields.contains(QString())) << rows[k].toStdString();
            if (k > 1) {
                EXPECT_EQ(fields[frames].toInt(nullptr, 0),
                          rows[k - 1].split(',')[frames].toInt(nullptr, 0) + 1);
            }
        }
    }
}
