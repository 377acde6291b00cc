// Shows the About windows of the four editions that have one and the
// diagnostics grid with a few messages, and saves a picture of each:
//   diagnostics_preview <output folder>
// Run it on a display (scripts/screenshot-diagnostics.sh starts one under
// Xvfb). Writes about-<edition>.png, diagnostics-grid.png and screen.png.

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <memory>
#include <vector>

#include "diagnostics/AboutWindows.h"
#include "diagnostics/DiagnosticGrid.h"
#include "model/Text.h"

using namespace vantrel::diagnostics;

namespace {

constexpr int kGridWidth = 737;
constexpr int kGridHeight = 403;
constexpr int kSettleMs = 300;

void settle() {
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(kSettleMs / 10);
    }
}

bool save(QWidget& widget, const QDir& out, const QString& name) {
    const QString path = out.filePath(name);
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "diagnostics_preview: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

vantrel::protocol::DiagnosticMessage sample(const char* model, const char* nickname, int lastOctet,
                                            std::uint8_t severity, const char* text) {
    vantrel::protocol::DiagnosticMessage m;
    m.mac = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, static_cast<std::uint8_t>(lastOctet)};
    m.ip = {192, 168, 77, static_cast<std::uint8_t>(lastOctet)};
    m.model = vantrel::model::fromUtf8(model);
    m.nickname = vantrel::model::fromUtf8(nickname);
    m.firmware = u"V2.1.4";
    m.severity = severity;
    m.message = vantrel::model::fromUtf8(text);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: diagnostics_preview <output folder>\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) return 1;
    bool ok = true;

    const QString version = QStringLiteral("2.3.23");
    std::vector<std::pair<QString, std::unique_ptr<AboutWindowBase>>> abouts;
    abouts.emplace_back(QStringLiteral("about-0.png"), std::make_unique<TAboutWin>(version));
    abouts.emplace_back(QStringLiteral("about-1.png"), std::make_unique<TAboutWinBrand1>(version));
    abouts.emplace_back(QStringLiteral("about-2.png"), std::make_unique<TAboutWinBrand2>(version));
    abouts.emplace_back(QStringLiteral("about-4.png"), std::make_unique<TAboutWinBrand4>(version));
    int x = 10;
    for (auto& [name, window] : abouts) {
        window->move(x, 10);
        window->show();
        x += window->width() + 16;
    }

    DiagnosticGrid grid;
    grid.setWindowTitle(QStringLiteral("Diagnostics"));
    grid.resize(kGridWidth, kGridHeight);
    grid.diagnosticTabInit();
    const QDateTime start = QDateTime::currentDateTime();
    grid.addMessage(sample("Nodalux 16 MkII", "Stage left truss", 10, 2, "Started, firmware V2.1.4"), start);
    grid.addMessage(sample("Nodalux 4", "Bar <b>back</b>", 11, 1,
                           "Output 3: data line held low for 2 s. Check the pixel string and its connector."),
                    start.addSecs(5));
    grid.addMessage(sample("Nodalux 16 MkII", "Stage left truss", 10, 0,
                           "Power bank 2 lost its supply (0.0 V). Outputs 9 to 16 are dark until the supply "
                           "returns; the controller keeps its configuration."),
                    start.addSecs(12));
    grid.addMessage(sample("Nodalux 16 Long Range", "Facade north, upper rows", 12, 7,
                           std::string(200, 'x').insert(0, "An unbroken run of text: ").c_str()),
                    start.addSecs(20));
    grid.move(10, 300);
    grid.show();
    grid.selectRow(1);

    settle();
    for (auto& [name, window] : abouts) ok = save(*window, out, name) && ok;
    ok = save(grid, out, QStringLiteral("diagnostics-grid.png")) && ok;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QString path = out.filePath(QStringLiteral("screen.png"));
        if (screen->grabWindow(0).save(path))
            std::printf("%s\n", qPrintable(path));
        else
            ok = false;
    }
    return ok ? 0 : 1;
}
