// Takes the user guide's pictures of the windows at build time, without a
// display and without a network: the main window as the program builds it,
// on an in-process endpoint fed with the simulator's default fleet, used as a
// user would use it (Search, double-click a controller); the windows that
// open are pictured while they are shown.
//
//   guideshots <output folder>
//
// Every picture is drawn at twice the screen size and written as
// <name>@2x.png, so that the guide prints it sharply at its screen size. The
// program exits non-zero when a picture could not be taken.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "app/NoDevicesHelp.h"
#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "config/NodaluxConfig.h"
#include "firmware/EthFirmware.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "tools/sim/Fleet.h"
#include "ui/testing/ScriptedServices.h"

namespace {

using vantrel::app::DeviceGridModel;
using vantrel::app::TForm1;

constexpr char kScale[] = "2";
constexpr int kModalCancel = 2;
constexpr char kFleetSender[] = "10.77.1.1";
// The controllers pictured, by the nickname the fleet gives them.
const QString kConfiguredNickname = QStringLiteral("Eight Sixteen");
const QString kBootloaderNickname = QStringLiteral("Awaiting Update");

class Pictures {
public:
    explicit Pictures(QString folder) : m_folder(std::move(folder)) {}

    void take(QWidget& window, const QString& name) {
        QApplication::processEvents();
        const QString path = QDir(m_folder).filePath(name + QStringLiteral("@2x.png"));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "guideshots: cannot write %s\n", qPrintable(path));
            ++m_failures;
        }
    }
    void fail(const char* what) {
        std::fprintf(stderr, "guideshots: %s\n", what);
        ++m_failures;
    }
    int failures() const { return m_failures; }

private:
    QString m_folder;
    int m_failures = 0;
};

void injectFleet(vantrel::net::testing::FakeUdpEndpoint& endpoint) {
    for (const auto& controller : vantrel::sim::defaultFleet()) {
        const auto bytes = controller.replyBytes();
        endpoint.inject(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                        QHostAddress(QLatin1String(kFleetSender)));
    }
}

int rowOf(const TForm1& form, const QString& nickname) {
    for (int r = 0; r < form.gridModel().rowCount(); ++r)
        if (form.gridModel().cell(r, DeviceGridModel::ColNickname) == nickname) return r;
    return -1;
}

// The configuration window's tabs, each pictured in turn; the window is then cancelled.
int pictureConfiguration(QDialog& dialog, Pictures& pictures) {
    auto& config = static_cast<vantrel::config::TNodaluxConfig&>(dialog);
    dialog.show();
    const struct {
        QWidget* page;
        const char* name;
    } tabs[] = {{config.tabNetwork, "config-network"},
                {config.tabControl, "config-control"},
                {config.tabLED, "config-leds"},
                {config.tabTest, "config-test"},
                {config.tabMisc, "config-misc"}};
    for (const auto& tab : tabs) {
        config.TabControl1->setCurrentWidget(tab.page);
        pictures.take(dialog, QString::fromLatin1(tab.name));
    }
    dialog.hide();
    return kModalCancel;
}

int pictureFirmware(QDialog& dialog, Pictures& pictures) {
    auto& firmware = static_cast<vantrel::firmware::TTCPFirmware&>(dialog);
    dialog.show();
    firmware.FileDisplay->setText(QStringLiteral("/home/installer/Nodalux16-MkII-V2.3.4.hex"));
    firmware.FileDisplay->setCursorPosition(0);
    firmware.Update->setFocus();
    pictures.take(dialog, QStringLiteral("firmware"));
    dialog.hide();
    return vantrel::firmware::kModalClose;
}

int run(Pictures& pictures) {
    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::testing::FakeAdapterProvider adapters(
        {vantrel::net::Adapter{QStringLiteral("10.77.0.1"), QStringLiteral("255.255.0.0"), QStringLiteral("eth0")},
         vantrel::net::Adapter{QStringLiteral("192.168.1.20"), QStringLiteral("255.255.255.0"),
                               QStringLiteral("wlan0")}});
    vantrel::net::testing::FakeUdpEndpoint endpoint;
    TForm1 form(vantrel::app::Branding{}, services, adapters, endpoint);
    vantrel::app::createWindows(form, services);
    vantrel::app::wireFlowsAndTestTab(form, endpoint, services);
    form.show();

    // Nothing answers: the help over the empty grid (decided at once here).
    form.pnlNoDevicesHelp->tmrNoReply->setInterval(0);
    form.Net_SearchClick();
    QApplication::processEvents();
    if (!form.pnlNoDevicesHelp->isVisible()) pictures.fail("the no-controllers help did not appear");
    pictures.take(form, QStringLiteral("main-window-no-controllers"));

    form.Net_SearchClick();
    injectFleet(endpoint);
    pictures.take(form, QStringLiteral("main-window"));

    const int configured = rowOf(form, kConfiguredNickname);
    const int bootloader = rowOf(form, kBootloaderNickname);
    if (configured < 0 || bootloader < 0) {
        pictures.fail("the fleet's controllers are not listed");
        return 1;
    }
    services.queueModal([&pictures](QDialog& d) { return pictureConfiguration(d, pictures); });
    form.Network_GridCellDblClick(configured);
    // The search that follows a configuration is not answered here: list the fleet again.
    form.Net_SearchClick();
    injectFleet(endpoint);
    services.queueModal([&pictures](QDialog& d) { return pictureFirmware(d, pictures); });
    form.Network_GridCellDblClick(rowOf(form, kBootloaderNickname));

    if (services.modals.size() != 2) pictures.fail("the configuration or the firmware window did not open");
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Build machines have no display; the pictures are drawn at twice the size.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", kScale);
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    QLocale::setDefault(QLocale::c());
    if (argc < 2) {
        std::fprintf(stderr, "usage: guideshots <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "guideshots: cannot make %s\n", argv[1]);
        return 1;
    }
    Pictures pictures(folder);
    int rc = 1;
    QTimer::singleShot(0, [&] {
        rc = run(pictures) == 0 && pictures.failures() == 0 ? 0 : 1;
        QApplication::exit(rc);
    });
    QApplication::exec();
    return rc;
}
