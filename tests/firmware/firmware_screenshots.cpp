// Pictures of the firmware window as a user sees it: ready with a file chosen,
// during an upload (status text and progress), and the message boxes of the
// generation warning and of a failed connection. Run on a display
// (scripts/screenshot-firmware.sh runs it under Xvfb); each picture is taken
// from the screen and written as PNG.
//
// usage: firmware_screenshots <output directory>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <memory>

#include "FirmwareFixture.h"
#include "tests/support/Screenshots.h"
#include "firmware/EthFirmware.h"
#include "ui/QtServices.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;

namespace {

screenshots::Shooter g_shots;

// Shows a message box through the production services and takes its picture.
void shootMessage(ui::QtServices& services, const QString& text, ui::Buttons buttons, ui::MessageKind kind,
                  const QString& name) {
    QTimer::singleShot(300, [name] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            g_shots.fail();
            return;
        }
        g_shots.save(screenshots::Shooter::grabFrame(*box), *box, name);
        box->close();
    });
    services.message(kind, text, buttons);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    if (!g_shots.takeOutputFolder(argc, argv, "firmware_screenshots")) return 2;

    ui::testing::ScriptedServices scripted;
    auto* upload = new firmware_test::ScriptedUpload;
    upload->holdOpen = true;
    firmware::TTCPFirmware window(scripted, std::unique_ptr<firmware_test::ScriptedUpload>(upload));
    window.setControllerSource(
        [] { return firmware::FirmwareTarget{QStringLiteral("10.77.1.5"), QStringLiteral("Nodalux 16 MkII")}; });

    const QString file = QDir(g_shots.folder()).filePath(QStringLiteral("Nodalux16-MkII-V2.0.hex"));
    firmware_test::writeFile(file, firmware_test::hexLikeBytes(200000));
    window.FileDisplay->setText(QStringLiteral("/home/user/firmware/Nodalux16-MkII-V2.0.hex"));
    // The frame too: the caption is part of the picture.
    g_shots.shoot(window, QStringLiteral("firmware-ready"), screenshots::Capture::Frame);

    // During an upload: started by "Update", pictured at 40 %, then finished.
    window.FileDisplay->setText(file);
    QTimer::singleShot(100, [&] {
        emit upload->progress(80000, 200000);
        QTimer::singleShot(200, [&] {
            g_shots.save(screenshots::Shooter::grabFrame(window), window, QStringLiteral("firmware-sending"));
            upload->finishNow();
        });
    });
    window.UpdateClick();

    ui::QtServices services(&window);
    window.show();
    shootMessage(services, QString::fromLatin1(firmware::kIncompatibleText), ui::Buttons::AbortIgnore,
                 ui::MessageKind::Warning, QStringLiteral("firmware-warning"));
    shootMessage(services, QString::fromLatin1(firmware::kCannotConnectText), ui::Buttons::Ok, ui::MessageKind::Plain,
                 QStringLiteral("firmware-cannot-connect"));
    shootMessage(services,
                 QString::fromLatin1(firmware::kStalledText)
                     .arg(QStringLiteral("The device took 65536 of 200000 bytes, then nothing for 15000 ms.")),
                 ui::Buttons::Ok, ui::MessageKind::Error, QStringLiteral("firmware-stalled"));
    return g_shots.failures() == 0 ? 0 : 1;
}
