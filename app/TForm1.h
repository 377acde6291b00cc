#pragma once
// TForm1: the main window. It owns the UDP endpoint's use, the controller list
// with its row map, the device grid, the adapter chooser and the diagnostics
// grid. Start-up applies the edition's branding, lists the PC's IPv4 adapters
// and binds the endpoint to the first; from then on everything is driven by
// clicks, timer ticks and incoming datagrams.

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "app/Branding.h"
#include "app/DeviceGridModel.h"
#include "model/Controllers.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;

namespace vantrel::ui {
class Services;
class UserSettings;
} // namespace vantrel::ui
namespace vantrel::net {
class AdapterProvider;
class UdpEndpoint;
} // namespace vantrel::net
namespace vantrel::config {
class TNodaluxConfig;
class TNodaluxAdv;
class TNodaluxAdvRGB;
} // namespace vantrel::config
namespace vantrel::firmware {
class TTCPFirmware;
}
namespace vantrel::diagnostics {
class DiagnosticGrid;
class TAboutWin;
class TAboutWinBrand1;
class TAboutWinBrand2;
class TAboutWinBrand4;
} // namespace vantrel::diagnostics

namespace vantrel::app {

class NoDevicesHelp;

inline constexpr const char* kNoneFound = "None Found";
inline constexpr const char* kBindFailedText = "Could not bind network port. Maybe another instance is running already?";

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The windows created after the main window at start-up; the main window
    // sets the configuration window's caption, checks the advanced window's
    // "Tab Down" and shows the edition's About window. Any may be missing (null).
    struct Windows {
        config::TNodaluxConfig* NodaluxConfig = nullptr;
        config::TNodaluxAdv* NodaluxAdv = nullptr;
        firmware::TTCPFirmware* TCPFirmware = nullptr;
        diagnostics::TAboutWin* AboutWin = nullptr;
        config::TNodaluxAdvRGB* NodaluxAdvRGB = nullptr;
        diagnostics::TAboutWinBrand1* AboutWinBrand1 = nullptr;
        diagnostics::TAboutWinBrand2* AboutWinBrand2 = nullptr;
        diagnostics::TAboutWinBrand4* AboutWinBrand4 = nullptr;
    };

    // Client area and layout of the window.
    static constexpr int kClientWidth = 737;
    static constexpr int kClientHeight = 553;
    static constexpr int kLogoRightMargin = 10;
    static constexpr int kGridRowHeight = 21;
    static constexpr int kAutoPollMin = 10;
    static constexpr int kAutoPollMax = 60000;
    static constexpr int kAutoPollDefault = 1000;
    static constexpr int kDefaultSortColumn = DeviceGridModel::ColNickname;

    // The services, the adapter list and the endpoint outlive the window.
    TForm1(const Branding& branding, ui::Services& services, net::AdapterProvider& adapters,
           net::UdpEndpoint& endpoint, QWidget* parent = nullptr);
    ~TForm1() override;

    void setWindows(const Windows& windows) { m_windows = windows; }
    const Windows& windows() const { return m_windows; }
    const Branding& branding() const { return m_branding; }

    // The user's remembered choices (outlive the window; null: nothing is
    // remembered). Set before the window is shown: start-up chooses the
    // adapter used last when it is listed, and takes the auto-poll interval.
    void setUserSettings(ui::UserSettings* settings);
    ui::UserSettings* userSettings() const { return m_settings; }

    // --- controls (objectName = member name) ---------------------------------
    QTabWidget* tabControl1 = nullptr;
    QWidget* NetworkDevices = nullptr;
    QWidget* DiagnosticsTab = nullptr;
    QPushButton* Net_Search = nullptr;
    QLabel* NetLabel = nullptr;
    QComboBox* comboNetAdapter = nullptr;
    QPushButton* btnRefresh = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnAbout = nullptr;
    QTableView* Network_Grid = nullptr;
    QLabel* lblInterval = nullptr;
    QSpinBox* numAutoPollTime = nullptr;
    QCheckBox* checkBoxAutoPoll = nullptr;
    // Replies dropped because the controller list was full (Diagnostics tab).
    QLabel* lblDroppedReplies = nullptr;
    diagnostics::DiagnosticGrid* gridDiagnostic = nullptr;
    QLabel* DevicesLabel = nullptr;
    QTimer* AutoPollTimer = nullptr;
    QLabel* LogoImage = nullptr; // created by FormShow
    NoDevicesHelp* pnlNoDevicesHelp = nullptr; // over the grid when a search finds nothing

    // --- state ---------------------------------------------------------------
    int SortColumn = kDefaultSortColumn;
    // Per listed adapter, same index as comboNetAdapter's items: the network
    // address (address AND mask) and the mask, dotted. Empty with "None Found".
    QStringList AdapterNetworks;
    QStringList AdapterMasks;
    // The colour orders the configuration windows offer (6 and 24 entries).
    QStringList RgbList;
    QStringList RgbwList;

    model::ControllerList& controllers() { return m_controllers; }
    const model::ControllerList& controllers() const { return m_controllers; }
    DeviceGridModel& gridModel() { return m_gridModel; }
    const DeviceGridModel& gridModel() const { return m_gridModel; }
    // The record grid row `row` shows; null outside the grid.
    const model::TNodaluxCtrl* recordAtRow(int row) const;

    // The selection: a list index of full width (any row can be chosen, also
    // beyond the 256th), 0 until a row is chosen.
    int SelectedController() const { return m_selectedController; }
    QString SelectedControllerModel() const { return m_selectedModel; }
    // The selected controller's record, or null once the list it was chosen
    // from has been emptied (a search, an adapter change): the index then
    // names another controller's record, or none, and must not be used.
    model::TNodaluxCtrl* selectedRecord();
    // Takes the selection from grid row `row`: the row map's entry and the
    // row's Model text. A row outside the grid changes nothing.
    void SetSelectedController(int row);

    // True once a bind failed and the window is closing (the program ends).
    bool bindFailed() const { return m_bindFailed; }

    // --- operations ----------------------------------------------------------
    // The one send operation: one datagram to (ip, 49150). A failure is shown
    // unless SupressError; false on failure.
    bool SendNetworkPacket(const QString& ip, const QByteArray& bytes, bool SupressError);
    // Empties the list, the row map and the grid, then broadcasts the poll.
    void SearchDevices(bool SupressError);
    void UpdateNetInterfaces();
    void RebindIP();
    // Re-orders the grid by SortColumn and the row map with it.
    void GridSort();
    // Empties `Strings` and fills it with the parts of `Input` between the delimiters.
    static void Split(QChar Delimiter, const QString& Input, QStringList& Strings);

    // --- receive -------------------------------------------------------------
    // The endpoint's read event: one datagram, dispatched by its header. Its
    // record or message is taken at once, in arrival order; the grids and the
    // labels show what a batch brought when the batch ends (showReceived).
    void IdUDPServer1UDPRead(const QByteArray& bytes);
    void QorvReadPollReply(const QByteArray& bytes);
    void QorvReadPollReplyV4Below(const QByteArray& bytes);
    void QorvReadTestAnnounce(const QByteArray& bytes, std::uint8_t version);
    void QorvReadDiagnosticMessage(const QByteArray& bytes);

    // --- configuration flows -------------------------------------------------
    // The flow that configures the selected controller (`index` into
    // the controller list): current layout (protocol above 4) or legacy. They call
    // the hook the configuration flows install; without one nothing happens.
    using FlowHook = std::function<void(int index)>;
    void setConfigurationFlows(FlowHook current, FlowHook legacy);
    virtual void NetCtrlSettings(int index);
    virtual void NetCtrlSettingsV4Below(int index);

    // --- handlers ------------------------------------------------------------
    void Net_SearchClick();
    void btnRefreshClick();
    void comboNetAdapterChange();
    void btnHelpClick();
    void btnAboutClick();
    void Network_GridHeaderClick(int column);
    void Network_GridCellDblClick(int row);
    void checkBoxAutoPollChange();
    void numAutoPollTimeChange();
    void AutoPollTimerTimer();

signals:
    // A test announce changed the record at `index` (the Test tab follows it).
    void testAnnounceApplied(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void buildNetworkDevicesTab();
    void buildDiagnosticsTab();
    void applyBranding();
    void clearDevices();
    void setDevicesLabel();
    void setDroppedLabel();
    // Adds a decoded record to the list (unless it is a duplicate or the list
    // is full); the grid shows it when the batch ends.
    void addController(model::TNodaluxCtrl record);
    // Something for the grids arrived: it is shown when the endpoint ends
    // the batch, or on the next turn of the event loop at the latest.
    void noteReceived();
    // The end of a batch: the new records go to their places in the device
    // grid in one insertion, the new messages to the top of the diagnostics
    // grid, and the labels are updated once.
    void showReceived();
    void failBind();
    // The adapter the user chose last, when it is among the listed items; -1 otherwise.
    int rememberedAdapterIndex() const;

    Branding m_branding;
    ui::Services& m_services;
    net::AdapterProvider& m_adapters;
    net::UdpEndpoint& m_endpoint;
    ui::UserSettings* m_settings = nullptr;
    Windows m_windows;

    model::ControllerList m_controllers;
    DeviceGridModel m_gridModel{m_controllers};
    bool m_receivedPending = false;
    bool m_showQueued = false;
    std::uint64_t m_droppedShown = ~std::uint64_t{0};
    int m_selectedController = 0;
    QString m_selectedModel;
    // Counts the emptyings of the list; the selection is valid only in the
    // list it was made in.
    quint64 m_listGeneration = 0;
    quint64 m_selectionGeneration = ~quint64{0};

    FlowHook m_flowCurrent;
    FlowHook m_flowLegacy;
    bool m_shown = false;
    bool m_bindFailed = false;
};

} // namespace vantrel::app
