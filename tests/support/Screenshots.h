#pragma once
// Shared by the picture-taking programs (config_screenshots,
// testmode_screenshots, firmware_screenshots): a window is shown, captured
// from the screen and written as <name>.png into the output folder named on
// the command line. The scale comes from the display (QT_SCALE_FACTOR, set by
// scripts/lib/window-screenshots.sh). Failures are counted, not fatal, so one
// missing picture does not hide the others.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QTest>
#include <QWidget>
#include <cstdio>

namespace screenshots {

// Milliseconds a shown window gets to paint before it is captured.
constexpr int kSettleMs = 150;

// What of a window the picture shows.
enum class Capture {
    Client, // the window's own area
    Frame,  // the window with its frame and caption
};

class Shooter {
public:
    // Takes the output folder from argv[1] and makes it; prints the usage
    // (with `program`, or argv[0] when null) and returns false when it is missing.
    bool takeOutputFolder(int argc, char** argv, const char* program = nullptr) {
        if (argc < 2) {
            std::fprintf(stderr, "usage: %s <output directory>\n", program ? program : argv[0]);
            return false;
        }
        m_out = QString::fromLocal8Bit(argv[1]);
        QDir().mkpath(m_out);
        return true;
    }

    QString folder() const { return m_out; }
    int failures() const { return m_failures; }
    void fail() { ++m_failures; }

    // The widget's area on the screen, with its frame.
    static QPixmap grabFrame(QWidget& w) {
        const QRect frame = w.frameGeometry();
        return w.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }

    // Writes `shot` (or, when the screen gave nothing, the widget drawn by
    // itself) as <name>.png and prints its path.
    void save(QPixmap shot, QWidget& w, const QString& name) {
        if (shot.isNull()) shot = w.grab();
        const QString path = QDir(m_out).filePath(name + QStringLiteral(".png"));
        if (!shot.save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            ++m_failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    }

    // Shows the window in front, lets it paint, and saves its picture.
    void shoot(QWidget& w, const QString& name, Capture capture = Capture::Client) {
        w.show();
        w.raise();
        w.activateWindow();
        if (!QTest::qWaitForWindowExposed(&w)) ++m_failures;
        QTest::qWait(kSettleMs);
        save(capture == Capture::Frame ? grabFrame(w) : w.screen()->grabWindow(w.winId()), w, name);
    }

private:
    QString m_out;
    int m_failures = 0;
};

} // namespace screenshots
