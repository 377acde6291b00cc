#pragma once
// A main window on the fakes: scripted services, a fake adapter list and the
// in-process endpoint, with the start-up windows created as the program does.
// Builders for the datagrams controllers send.

#include <QByteArray>
#include <QHostAddress>
#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "protocol/PollReply.h"
#include "ui/testing/ScriptedServices.h"

namespace apptest {

using vantrel::app::Branding;
using vantrel::app::TForm1;
using vantrel::model::TNodaluxCtrl;
using vantrel::net::Adapter;

inline QList<Adapter> twoAdapters() {
    return {Adapter{QStringLiteral("192.168.77.1"), QStringLiteral("255.255.255.0"), QStringLiteral("eth0")},
            Adapter{QStringLiteral("10.1.2.3"), QStringLiteral("255.0.0.0"), QStringLiteral("eth1")}};
}

struct AppRig {
    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::testing::FakeAdapterProvider adapters;
    vantrel::net::testing::FakeUdpEndpoint endpoint;
    std::unique_ptr<TForm1> form;

    explicit AppRig(const Branding& branding = Branding{}, QList<Adapter> list = twoAdapters(),
                    bool show = true)
        : adapters(std::move(list)) {
        form = std::make_unique<TForm1>(branding, services, adapters, endpoint);
        vantrel::app::createWindows(*form, services);
        if (show) form->show();
    }

    vantrel::app::DeviceGridModel& grid() { return form->gridModel(); }
    QString cell(int row, int column) { return grid().cell(row, column); }

    void inject(const vantrel::protocol::Bytes& bytes) {
        endpoint.inject(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                        QHostAddress(QStringLiteral("192.168.77.50")));
    }

    // Datagrams that were waiting together: handed over in order as one batch.
    void injectBurst(const std::vector<vantrel::protocol::Bytes>& burst) {
        QList<QByteArray> datagrams;
        for (const auto& bytes : burst)
            datagrams << QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        endpoint.injectBatch(datagrams, QHostAddress(QStringLiteral("192.168.77.50")));
    }

    // Row r shows the controller the row map names for it.
    bool rowMapInStep() {
        const auto& list = form->controllers();
        if (!list.invariantsHold() || static_cast<int>(list.rowMap().size()) != grid().rowCount())
            return false;
        for (int r = 0; r < grid().rowCount(); ++r) {
            const auto& rec = list.at(static_cast<std::size_t>(list.rowMap()[static_cast<std::size_t>(r)]));
            if (cell(r, vantrel::app::DeviceGridModel::ColIP) != QString::fromStdString(vantrel::model::ipText(rec.CurrentIP)))
                return false;
        }
        return true;
    }
};

inline std::u16string u16(const QString& s) { return s.toStdU16String(); }

// A current-layout controller (protocol `version`, 5 and above).
inline TNodaluxCtrl currentController(vantrel::model::Ip4 ip, const QString& model, const QString& nickname,
                                      const QString& firmware = QStringLiteral("V1.2.3"),
                                      std::uint16_t temperature = 453, std::uint8_t version = 8) {
    TNodaluxCtrl c;
    c.CurrentIP = ip;
    c.CurrentSM = {255, 255, 255, 0};
    c.QorvanaProtVer = version;
    c.ModelName = u16(model);
    c.Firmware = u16(firmware);
    c.Temperature = temperature;
    c.MAC = {0x0A, 0x1B, 0x2C, ip[2], ip[3], 0x5F};
    vantrel::model::setNickname(c, u16(nickname));
    return c;
}

inline vantrel::protocol::Bytes currentReply(const TNodaluxCtrl& c) {
    return vantrel::protocol::encodePollReply(c, c.QorvanaProtVer);
}

// A legacy controller's reply (388 bytes, version byte 4).
inline vantrel::protocol::Bytes legacyReply(vantrel::model::Ip4 ip, const QString& wireModel, const QString& nickname,
                                            std::uint16_t temperature = 0xFFFF) {
    TNodaluxCtrl c;
    c.CurrentIP = ip;
    c.NumStrings = 16;
    c.Firmware = u16(QStringLiteral("V1.4.10"));
    c.Firmware.resize(20, u'\0');
    c.Temperature = temperature;
    vantrel::model::setNickname(c, u16(nickname));
    return vantrel::protocol::encodePollReplyV4Below(c, 4, 388, u16(wireModel));
}

} // namespace apptest
