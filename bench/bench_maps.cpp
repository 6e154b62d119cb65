// Times the map surface: choosing a 16 x 16 map and drawing it, one stepper step on it,
// one rotation step of the largest map (501 x 501) at picMap's size, and the widget's
// worst load from the Hex tab (250,000 circles and 500,000 lines).
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/map_surface.h"
#include "core/projection.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "editor/maps_tab.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "measure.h"
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace korvel;
using korvel::bench::measure;
using korvel::bench::SilentPrompt;

namespace {

// The Hex tab's worst case in one picture: a 500 x 500 byte window as a mesh, every
// point with its circle and its links back (250,000 circles, 499,000 lines).
void drawByteMesh(PictureBox& picture, int angle) {
    const Projection p(angle);
    DrawingSurface& s = picture.surface();
    s.clear();
    s.setLineWidth(2);
    s.line(0, 0, p.x(100, 0, 0), p.y(100, 0, 0));
    s.line(0, 0, p.x(0, 100, 0), p.y(0, 100, 0));
    s.line(0, 0, p.x(0, 0, 100), p.y(0, 0, 100));
    s.setLineWidth(1);
    constexpr int kSide = 500;
    const double xMax = p.x(kSide - 1, kSide - 1, 0), yMin = p.y(0, kSide - 1, 255);
    std::vector<QPointF> previous(kSide), current(kSide);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const double v = (c * 7 + r * 13) % 256;
            const QPointF q(p.x(c, r, v) / xMax * 125, p.y(c, r, v) / yMin * -125);
            current[static_cast<size_t>(c)] = q;
            s.circle(q.x(), q.y(), 1);
            if (r > 0)
                s.line(q.x(), q.y(), previous[static_cast<size_t>(c)].x(),
                       previous[static_cast<size_t>(c)].y());
            if (c > 0)
                s.line(q.x(), q.y(), current[static_cast<size_t>(c - 1)].x(),
                       current[static_cast<size_t>(c - 1)].y());
        }
        std::swap(previous, current);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("rom.bin"));
    const QString ecu = dir.filePath(QStringLiteral("rom.ecu"));
    {
        QFile f(bin);
        f.open(QIODevice::WriteOnly);
        QByteArray data(32768, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>((i * 37) ^ (i >> 3));
        f.write(data);
        QFile e(ecu);
        e.open(QIODevice::WriteOnly);
        e.write("ECU FORMAT\r\n{\r\nHeader = bench\r\nVersion = 1\r\nChecksumAddress = 7FFE\r\nChecksumSize "
                "= 2\r\n"
                "ChecksumStart = 0\r\nChecksumEnd = 7FFD\r\nItems = 1\r\n}\r\n{\r\nAddress = 1000\r\nColumns "
                "= 16\r\n"
                "Rows = 16\r\nByteSize = 1\r\nKind = 0\r\nOffset = 0\r\nConversion = 0\r\nFactor = 0.5\r\n"
                "Title = Spark\r\nYLabel = Load\r\nYAxis =   20   40   60   80  100\r\nXLabel = rpm\r\n"
                "XAxis =  4  8 12 16 20 24\r\n}\r\n");
    }

    AppState state;
    state.BinPath = bin;
    state.EcuPath = ecu;
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    SilentPrompt prompt;
    ManualTicker ticker; // the editor's emulator probe waits on this clock
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports(wire);
    Services services{state, settings, prompt, ticker, ports};
    frmEditor editor(services);
    editor.Form_Load();
    editor.resize(1200, 800);
    editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
    editor.show();
    QApplication::processEvents();
    auto* combo = editor.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
    auto* picture = editor.findChild<PictureBox*>(QStringLiteral("picMap"));
    auto* rotate = editor.findChild<QScrollBar*>(QStringLiteral("scrRotAngle"));
    std::printf("picMap is %d x %d pixels\n", picture->width(), picture->height());

    // Each figure includes rendering the picture's pixels, not only recording the commands.
    measure("choose a 16 x 16 map: load, grid, Draw_Map, render", 50, 10, [&] {
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        picture->renderNow();
    });
    std::printf("the map drew %lld circles and %lld lines\n",
                static_cast<long long>(picture->surface().circleCount()),
                static_cast<long long>(picture->surface().lineCount()));
    int direction = 1;
    measure("one rotation step on it: Draw_Map, render", 200, 5, [&] {
        rotate->setValue(direction);
        direction = -direction;
        picture->renderNow();
    });

    // The largest map the matrix holds, turned one step at a time at the picture's size.
    ValueMatrix largest;
    for (int k = 0; k < 501 * 501; ++k)
        largest.set(k % 501, k / 501, ((k * 37) ^ (k >> 3)) & 0xFF);
    PictureBox surface;
    surface.resize(picture->size());
    surface.setScaleWindow(kMapWindowReset);
    int angle = 30;
    measure("map 501 x 501: one rotation step, drawMapSurface + render", 10, 16.7, [&] {
        angle = angle == 30 ? 31 : 30;
        drawMapSurface(surface.surface(), MapSurfaceInput{&largest, 501, 501, 500, 500, 255, angle});
        surface.renderNow();
    });

    PictureBox hexMap, hexLine;
    for (PictureBox* p : {&hexMap, &hexLine}) {
        p->resize(420, 420);
        p->setBackground(QColor(240, 240, 240));
        p->setScaleWindow({-51, -151, 202, 202});
    }
    measure("byte mesh 500 x 500: record 250k circles + 500k lines", 5, 50,
            [&] { drawByteMesh(hexMap, 30); });
    measure("byte mesh 500 x 500: render 420 x 420 pixels", 5, 50, [&] {
        hexMap.surface(); // marks it changed
        hexMap.setScaleWindow(hexMap.scaleWindow());
        hexMap.renderNow();
    });
    DrawingSurface linesOnly, circlesOnly;
    for (const auto& b : hexMap.surface().batches()) {
        linesOnly.setLineWidth(b.lineWidth);
        circlesOnly.setLineWidth(b.lineWidth);
        for (const QLineF& l : b.lines)
            linesOnly.line(l.x1(), l.y1(), l.x2(), l.y2());
        for (const PictureCircle& c : b.circles)
            circlesOnly.circle(c.x, c.y, c.radius);
    }
    linesOnly.setWindow(hexMap.scaleWindow());
    circlesOnly.setWindow(hexMap.scaleWindow());
    QImage target(420, 420, QImage::Format_RGB32);
    measure("  of which the 500k lines alone", 5, 50, [&] { renderSurface(linesOnly, target, Qt::white); });
    measure("  of which the 250k circles alone", 5, 50,
            [&] { renderSurface(circlesOnly, target, Qt::white); });
    measure("byte mesh at angle 0: record", 5, 50, [&] { drawByteMesh(hexLine, 0); });
    measure("byte mesh at angle 0: render 420 x 420 pixels", 5, 50, [&] {
        hexLine.setScaleWindow(hexLine.scaleWindow());
        hexLine.renderNow();
    });
    measure("two pictures of the mesh (angle 30 and 0): record + render", 5, 100, [&] {
        drawByteMesh(hexMap, 30);
        drawByteMesh(hexLine, 0);
        hexMap.renderNow();
        hexLine.renderNow();
    });
    return 0;
}
