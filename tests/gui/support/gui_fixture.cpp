#include "gui_fixture.h"

#include <QFile>

namespace korvel::test {

GuiFixture::GuiFixture() : settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel")) {
    SimulatedEmulator::Faults silent;
    silent.silent = true;
    emulator.setFaults(silent);
}

Services GuiFixture::services() {
    return Services{state, settings, prompt, ticker, *ports};
}

QString GuiFixture::writeFile(const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly)) f.write(content);
    return f.fileName();
}

void GuiFixture::useSample() {
    const QString examples = qEnvironmentVariable("KORVEL_EXAMPLES");
    QFile::copy(examples + QStringLiteral("/sample.bin"), path(QStringLiteral("sample.bin")));
    QFile::copy(examples + QStringLiteral("/sample.ecu"), path(QStringLiteral("sample.ecu")));
    QFile(path(QStringLiteral("sample.bin"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    state.BinPath = path(QStringLiteral("sample.bin"));
    state.EcuPath = path(QStringLiteral("sample.ecu"));
}

QByteArray ecuText(const std::vector<ItemSpec>& items, const QString& checksumAddress,
                   const QString& checksumSize, const QString& checksumStart, const QString& checksumEnd) {
    QString s = QStringLiteral("ECU FORMAT\r\n{\r\nHeader = test\r\nVersion = 1\r\n");
    s += QStringLiteral(
             "ChecksumAddress = %1\r\nChecksumSize = %2\r\nChecksumStart = %3\r\nChecksumEnd = %4\r\n")
             .arg(checksumAddress, checksumSize, checksumStart, checksumEnd);
    s += QStringLiteral("Items = %1\r\n}\r\n").arg(items.size());
    for (const ItemSpec& it : items) {
        s +=
            QStringLiteral("{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = %4\r\nKind = %5\r\n")
                .arg(it.address)
                .arg(it.columns)
                .arg(it.rows)
                .arg(it.byteSize)
                .arg(it.kind);
        s += QStringLiteral("Offset = %1\r\nConversion = %2\r\nFactor = %3\r\n")
                 .arg(it.offset)
                 .arg(it.conversion)
                 .arg(it.factor);
        s += QStringLiteral("Title =%1\r\nYLabel =%2\r\nYAxis =%3\r\nXLabel =%4\r\nXAxis =%5\r\n}\r\n")
                 .arg(it.title, it.yLabel, it.yAxis, it.xLabel, it.xAxis);
    }
    return s.toLatin1();
}

} // namespace korvel::test
