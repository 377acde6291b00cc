#pragma once
// The device grid's context menu: on a controller Start and Stop Identify
// (where the controller supports it), Back up settings…, Restore
// settings… (shows the changes and asks before sending) and Copy IP
// address; for the whole list Back up all… and Export list… (a CSV file
// of the grid's columns). Settings files are those of the command line
// (model/Settings.h); what a restore sends is the configuration the
// configuration window's untouched OK would send, through the main window's
// one send operation. Every dialog goes through the services seam.

#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>

#include "model/NodaluxCtrl.h"

class QAction;
class QMenu;

namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::ui {
class Services;
}

namespace vantrel::app {

class TForm1;

class DeviceGridMenu final : public QObject {
    Q_OBJECT
public:
    // Installs the menu on the main window's device grid; owned by `form`.
    DeviceGridMenu(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services);

    // The folder the settings dialogs open in; each dialog the user confirms moves it.
    void setSettingsFolder(const QString& folder) { m_folder = folder; }
    const QString& settingsFolder() const { return m_folder; }

    // The menu for grid row `row` (-1: below the rows), built and shown at
    // `globalPos` (objectName "menuDeviceGrid"; its actions are named
    // actIdentifyStart, actIdentifyStop, actBackUp, actRestore, actCopyIp,
    // actBackUpAll, actExportList).
    QMenu* popup(int row, const QPoint& globalPos);

    // What the items do.
    void identify(const model::TNodaluxCtrl& record, bool start);
    void backUp(const model::TNodaluxCtrl& record);
    void restore(const model::TNodaluxCtrl& record);
    void copyIpAddress(const model::TNodaluxCtrl& record);
    void backUpAll();
    void exportList();

private:
    void requested(const QPoint& viewportPos);
    // A file the user chose in a dialog: remembers its folder.
    QString remember(const QString& path, bool isFolder = false);
    bool writeFile(const QString& path, const QByteArray& bytes);
    std::optional<QString> refusal(const model::TNodaluxCtrl& record) const;

    TForm1& m_form;
    net::UdpEndpoint& m_endpoint;
    ui::Services& m_services;
    QString m_folder;
    QMenu* m_menu = nullptr;
};

} // namespace vantrel::app
