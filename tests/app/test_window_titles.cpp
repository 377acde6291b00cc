// Every window's title as the window manager receives it, on a real X server
// (Xvfb, Qt's xcb platform): exactly the window's caption ("Nodalux
// Configuration", "About", ...), nothing appended by the platform. The
// program names itself to the platform as it does at start-up
// (identifyApplication).

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <xcb/xcb.h>

#include "AppRig.h"
#include "app/Application.h"
#include "app/Branding.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "diagnostics/AboutWindows.h"
#include "firmware/EthFirmware.h"

using namespace apptest;

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(c, cookie, nullptr),
                                                                          &std::free);
    return reply ? reply->atom : XCB_ATOM_NONE;
}

// The window's _NET_WM_NAME as the X server holds it.
QString titleOnTheServer(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return QStringLiteral("<not on X11>");
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c, 0, id, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                           &std::free);
    if (!reply) return QStringLiteral("<no reply>");
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

} // namespace

class TestWindowTitles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the xcb platform (tests/support/xvfb-test.sh)");
    }

    void titlesAreTheCaptions_data() {
        QTest::addColumn<int>("brand");
        QTest::addColumn<bool>("dev");
        QTest::addColumn<QString>("mainTitle");
        QTest::addColumn<QString>("configCaption");
        QTest::newRow("maker's edition") << 0 << false << "Qorvana Vantrel - V2.3.23" << "Nodalux Configuration";
        QTest::newRow("development build") << 0 << true << "Qorvana Vantrel - V2.3.23 - DEV" << "Nodalux Configuration";
        QTest::newRow("edition 5") << 5 << false << QString() << "Configuration";
    }
    void titlesAreTheCaptions() {
        QFETCH(int, brand);
        QFETCH(bool, dev);
        QFETCH(QString, mainTitle);
        QFETCH(QString, configCaption);
        const Branding edition{static_cast<std::uint8_t>(brand), {2, 3, 23}, dev};
        vantrel::app::identifyApplication(edition);
        AppRig rig(edition);
        if (!mainTitle.isEmpty()) QCOMPARE(rig.form->windowTitle(), mainTitle);

        const auto& w = rig.form->windows();
        const QList<std::pair<QWidget*, QString>> windows{
            {rig.form.get(), edition.mainTitle()},
            {w.NodaluxConfig, configCaption},
            {w.NodaluxAdv, QStringLiteral("Advanced Output Configuration")},
            {w.NodaluxAdvRGB, QStringLiteral("Advanced RGB Order")},
            {w.TCPFirmware, QStringLiteral("Firmware  Update")},
            {w.AboutWin, QStringLiteral("About")},
            {w.AboutWinBrand1, QStringLiteral("About")},
            {w.AboutWinBrand2, QStringLiteral("About")},
            {w.AboutWinBrand4, QStringLiteral("About")},
        };
        for (const auto& [window, caption] : windows) {
            QVERIFY(window);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(window->windowTitle(), caption);
            QCOMPARE(titleOnTheServer(*window), caption);
            window->hide();
        }
    }
};

int main(int argc, char* argv[]) {
    vantrel::app::Application application(argc, argv);
    TestWindowTitles test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_titles.moc"
