#include "app/TForm1.h"
#include "app/RowLineDelegate.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <span>

#include "app/NoDevicesHelp.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxConfig.h"
#include "diagnostics/AboutWindows.h"
#include "diagnostics/DiagnosticGrid.h"
#include "diagnostics/Guide.h"
#include "model/GridTexts.h"
#include "model/NodaluxCtrl.h"
#include "model/Rules.h"
#include "model/Text.h"
#include "net/AdapterProvider.h"
#include "net/Datagrams.h"
#include "net/SendNetworkPacket.h"
#include "net/UdpEndpoint.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "protocol/TestPackets.h"
#include "ui/Services.h"
#include "ui/UserSettings.h"

namespace vantrel::app {

namespace {

// Layout of the window, in device-independent pixels from the client area's
// top-left corner (the tab pages' controls from the page's corner).
constexpr QRect kTabControlRect{0, 40, 737, 481};
constexpr QRect kSearchRect{8, 16, 97, 25};
constexpr QPoint kNetLabelPos{168, 10};
constexpr int kNetLabelPixelSize = 14;
constexpr QRect kAdapterComboRect{279, 16, 121, 25};
constexpr QRect kRefreshRect{407, 16, 121, 25};
constexpr QRect kHelpRect{560, 16, 81, 25};
constexpr QRect kAboutRect{651, 16, 81, 25};
constexpr QRect kNetworkGridRect{0, 56, 737, 401};
constexpr QPoint kIntervalLabelPos{8, 11};
constexpr QRect kAutoPollTimeRect{152, 14, 65, 22};
constexpr QPoint kAutoPollCheckPos{239, 15};
constexpr QRect kDroppedRepliesRect{400, 14, 330, 22};
constexpr QRect kDiagnosticGridRect{0, 54, 737, 403};
constexpr QRect kDevicesLabelRect{588, 520, 149, 33};
constexpr QRect kNoDevicesHelpRect{60, 100, 617, 300}; // over the empty grid, under its header
constexpr std::array<int, DeviceGridModel::ColumnCount> kColumnWidths{150, 160, 150, 150, 125};

constexpr int kNetworkDevicesTab = 0;
constexpr int kDiagnosticsTab = 1;
// Poll replies above this protocol version are configured by the current flow.
constexpr std::uint8_t kLastLegacyProtocol = 4;

std::span<const std::uint8_t> bytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* plainLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

} // namespace

TForm1::TForm1(const Branding& branding, ui::Services& services, net::AdapterProvider& adapters,
               net::UdpEndpoint& endpoint, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_branding(branding), m_services(services), m_adapters(adapters), m_endpoint(endpoint) {
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(kClientWidth, kClientHeight); // fixed single border: not resizable
    setWindowTitle(m_branding.mainTitle());

    tabControl1 = named(new QTabWidget(this), "tabControl1");
    tabControl1->setGeometry(kTabControlRect);
    tabControl1->setTabPosition(QTabWidget::North);
    NetworkDevices = named(new QWidget, "NetworkDevices");
    DiagnosticsTab = named(new QWidget, "DiagnosticsTab");
    tabControl1->addTab(NetworkDevices, QStringLiteral("Network Devices"));
    tabControl1->addTab(DiagnosticsTab, QStringLiteral("Diagnostics"));
    buildNetworkDevicesTab();
    buildDiagnosticsTab();

    DevicesLabel = plainLabel(QString(), this, "DevicesLabel");
    DevicesLabel->setGeometry(kDevicesLabelRect);
    DevicesLabel->setAlignment(Qt::AlignCenter);
    setDevicesLabel();

    AutoPollTimer = named(new QTimer(this), "AutoPollTimer");
    AutoPollTimer->setInterval(kAutoPollDefault);
    connect(AutoPollTimer, &QTimer::timeout, this, &TForm1::AutoPollTimerTimer);

    connect(&m_endpoint, &net::UdpEndpoint::datagramReceived, this,
            [this](const QByteArray& bytes, const QHostAddress&) { IdUDPServer1UDPRead(bytes); });
    connect(&m_endpoint, &net::UdpEndpoint::batchDelivered, this, &TForm1::showReceived);

    // The no-controllers help goes as soon as the grid shows a controller.
    const auto dismissHelpWhenListed = [this] {
        if (m_gridModel.rowCount() > 0) pnlNoDevicesHelp->dismiss();
    };
    connect(&m_gridModel, &QAbstractItemModel::rowsInserted, this, dismissHelpWhenListed);
    connect(&m_gridModel, &QAbstractItemModel::modelReset, this, dismissHelpWhenListed);
    connect(&m_gridModel, &QAbstractItemModel::layoutChanged, this, dismissHelpWhenListed);

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildNetworkDevicesTab() {
    QWidget* page = NetworkDevices;

    Net_Search = named(new QPushButton(QStringLiteral("Search"), page), "Net_Search");
    Net_Search->setGeometry(kSearchRect);
    connect(Net_Search, &QPushButton::clicked, this, &TForm1::Net_SearchClick);

    NetLabel = plainLabel(QStringLiteral("Select Adapter:"), page, "NetLabel");
    QFont labelFont = NetLabel->font();
    labelFont.setPixelSize(kNetLabelPixelSize);
    NetLabel->setFont(labelFont);
    NetLabel->adjustSize();
    NetLabel->move(kNetLabelPos);

    comboNetAdapter = named(new QComboBox(page), "comboNetAdapter");
    comboNetAdapter->setGeometry(kAdapterComboRect);
    connect(comboNetAdapter, &QComboBox::currentIndexChanged, this, &TForm1::comboNetAdapterChange);

    btnRefresh = named(new QPushButton(QStringLiteral("Refresh Adapters"), page), "btnRefresh");
    btnRefresh->setGeometry(kRefreshRect);
    connect(btnRefresh, &QPushButton::clicked, this, &TForm1::btnRefreshClick);

    btnHelp = named(new QPushButton(QStringLiteral("Help"), page), "btnHelp");
    btnHelp->setGeometry(kHelpRect);
    connect(btnHelp, &QPushButton::clicked, this, &TForm1::btnHelpClick);

    btnAbout = named(new QPushButton(QStringLiteral("About"), page), "btnAbout");
    btnAbout->setGeometry(kAboutRect);
    connect(btnAbout, &QPushButton::clicked, this, &TForm1::btnAboutClick);

    Network_Grid = named(new QTableView(page), "Network_Grid");
    Network_Grid->setGeometry(kNetworkGridRect);
    Network_Grid->setModel(&m_gridModel);
    // Temperatures are written with the user's decimal separator.
    m_gridModel.setDecimalSeparator(locale().decimalPoint());
    Network_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Network_Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Network_Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // Row lines only: the table's own grid would draw column lines too.
    Network_Grid->setShowGrid(false);
    Network_Grid->setItemDelegate(new RowLineDelegate(Network_Grid));
    Network_Grid->setWordWrap(false);
    Network_Grid->setSortingEnabled(false); // GridSort orders the row map, which the model shows
    Network_Grid->verticalHeader()->hide();
    Network_Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Network_Grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    QHeaderView* header = Network_Grid->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, &TForm1::Network_GridHeaderClick);
    connect(Network_Grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { Network_GridCellDblClick(index.row()); });
    for (int c = 0; c < DeviceGridModel::ColumnCount; ++c) Network_Grid->setColumnWidth(c, kColumnWidths[c]);

    pnlNoDevicesHelp = new NoDevicesHelp(page);
    pnlNoDevicesHelp->setGeometry(kNoDevicesHelpRect);
    pnlNoDevicesHelp->setSituationSource([this] {
        QStringList addresses;
        for (int i = 0; i < AdapterNetworks.size(); ++i) addresses << comboNetAdapter->itemText(i);
        return NoDevicesHelp::situationOf(addresses, AdapterMasks, AdapterNetworks, comboNetAdapter->currentIndex());
    });
}

void TForm1::buildDiagnosticsTab() {
    QWidget* page = DiagnosticsTab;

    lblInterval = plainLabel(QStringLiteral("Auto Poll Interval (ms)"), page, "lblInterval");
    lblInterval->adjustSize();
    lblInterval->move(kIntervalLabelPos);

    numAutoPollTime = named(new QSpinBox(page), "numAutoPollTime");
    numAutoPollTime->setGeometry(kAutoPollTimeRect);
    numAutoPollTime->setRange(kAutoPollMin, kAutoPollMax);
    numAutoPollTime->setValue(kAutoPollDefault);
    connect(numAutoPollTime, &QSpinBox::valueChanged, this, &TForm1::numAutoPollTimeChange);

    checkBoxAutoPoll = named(new QCheckBox(QStringLiteral("Enabled"), page), "checkBoxAutoPoll");
    checkBoxAutoPoll->adjustSize();
    checkBoxAutoPoll->move(kAutoPollCheckPos);
    checkBoxAutoPoll->setChecked(false);
    connect(checkBoxAutoPoll, &QCheckBox::toggled, this, &TForm1::checkBoxAutoPollChange);

    lblDroppedReplies = plainLabel(QString(), page, "lblDroppedReplies");
    lblDroppedReplies->setGeometry(kDroppedRepliesRect);
    setDroppedLabel();

    gridDiagnostic = named(new diagnostics::DiagnosticGrid(page), "gridDiagnostic");
    gridDiagnostic->setGeometry(kDiagnosticGridRect);
}

// --- start-up and close --------------------------------------------------------

void TForm1::FormCreate() { gridDiagnostic->diagnosticTabInit(); }

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    LogoImage = named(new QLabel(this), "LogoImage");
    LogoImage->setScaledContents(true);

    applyBranding();

    const BrandEntry& brand = m_branding.entry();
    LogoImage->setGeometry(width() - brand.logoWidth - kLogoRightMargin, 0, brand.logoWidth, brand.logoHeight);
    LogoImage->show();
    LogoImage->raise();

    tabControl1->setTabVisible(kDiagnosticsTab, m_branding.DevBuild);
    tabControl1->setCurrentIndex(kNetworkDevicesTab);

    UpdateNetInterfaces();

    RgbwList.clear();
    for (const auto& order : model::rgbwList()) RgbwList << QString::fromStdU16String(order);
    RgbList.clear();
    for (const auto& order : model::rgbList()) RgbList << QString::fromStdU16String(order);

    Network_Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Network_Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (int c = 0; c < DeviceGridModel::ColumnCount; ++c) Network_Grid->setColumnWidth(c, kColumnWidths[c]);

    SortColumn = kDefaultSortColumn;

    if (m_windows.NodaluxAdv && m_windows.NodaluxAdv->radioTabVertical)
        m_windows.NodaluxAdv->radioTabVertical->setChecked(true);
}

void TForm1::applyBranding() {
    const BrandEntry& brand = m_branding.entry();
    setWindowTitle(m_branding.mainTitle());
    if (m_windows.NodaluxConfig) m_windows.NodaluxConfig->setWindowTitle(m_branding.configCaption());
    // A missing picture leaves the image empty; start-up goes on.
    const QPixmap logo(QString::fromLatin1(brand.logoResource));
    if (!logo.isNull()) LogoImage->setPixmap(logo);
    btnHelp->setVisible(brand.helpVisible);
    if (!brand.aboutVisible) btnAbout->setVisible(false);
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TForm1::FormClose() {
    AutoPollTimer->stop();
    RgbwList.clear();
    RgbList.clear();
}

// --- adapters and binding --------------------------------------------------------

void TForm1::Split(QChar Delimiter, const QString& Input, QStringList& Strings) {
    Strings = Input.split(Delimiter);
}

void TForm1::UpdateNetInterfaces() {
    clearDevices();
    {
        // The rebuild selects items as it goes; the binding follows once, below.
        const QSignalBlocker blocker(comboNetAdapter);
        comboNetAdapter->clear();
        AdapterNetworks.clear();
        AdapterMasks.clear();

        for (const net::Adapter& adapter : m_adapters.adapters()) {
            // Only IPv4 unicast addresses can be bound and polled from.
            const QHostAddress address(adapter.address);
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback()) continue;
            const auto network = model::networkAddressText(adapter.address.toStdString(), adapter.mask.toStdString());
            if (!network) continue; // a mask that is no address gives no network to compare with
            comboNetAdapter->addItem(adapter.address);
            AdapterMasks << adapter.mask;
            AdapterNetworks << QString::fromStdString(*network);
        }

        const bool found = comboNetAdapter->count() > 0;
        Net_Search->setEnabled(found);
        if (!found) comboNetAdapter->addItem(QString::fromLatin1(kNoneFound));
        comboNetAdapter->setCurrentIndex(std::max(rememberedAdapterIndex(), 0));
    }
    comboNetAdapter->update();
    RebindIP();
}

void TForm1::RebindIP() {
    clearDevices();
    if (comboNetAdapter->count() == 0 || comboNetAdapter->currentText() == QLatin1String(kNoneFound)) return;
    if (!m_endpoint.bind(QHostAddress(comboNetAdapter->currentText()))) failBind();
}

void TForm1::failBind() {
    m_bindFailed = true;
    AutoPollTimer->stop();
    m_services.message(ui::MessageKind::Plain, QString::fromLatin1(kBindFailedText));
    // Closed from the event loop: the failure may come while the window is
    // being shown, before the program's event loop runs.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

int TForm1::rememberedAdapterIndex() const {
    if (!m_settings || m_settings->adapter().isEmpty() || AdapterNetworks.isEmpty()) return -1;
    return comboNetAdapter->findText(m_settings->adapter(), Qt::MatchExactly);
}

void TForm1::setUserSettings(ui::UserSettings* settings) {
    m_settings = settings;
    if (!m_settings) return;
    if (const auto interval = m_settings->autoPollInterval(kAutoPollMin, kAutoPollMax)) {
        numAutoPollTime->setValue(*interval);
        AutoPollTimer->setInterval(*interval);
    }
}

void TForm1::btnRefreshClick() { UpdateNetInterfaces(); }

void TForm1::comboNetAdapterChange() {
    // The user's choice is remembered for the next start (not "None Found").
    if (m_settings && !AdapterNetworks.isEmpty()) m_settings->setAdapter(comboNetAdapter->currentText());
    RebindIP();
}

// --- search and grid ----------------------------------------------------------------

bool TForm1::SendNetworkPacket(const QString& ip, const QByteArray& bytes, bool SupressError) {
    return net::sendNetworkPacket(m_endpoint, m_services, ip, bytes, SupressError);
}

void TForm1::clearDevices() {
    ++m_listGeneration;
    m_gridModel.clear(); // the list and the grid together
    setDevicesLabel();
    pnlNoDevicesHelp->dismiss();
}

void TForm1::setDevicesLabel() {
    const QString text = QStringLiteral("Found %1 Device(s)").arg(m_gridModel.rowCount());
    if (DevicesLabel->text() != text) DevicesLabel->setText(text);
}

void TForm1::setDroppedLabel() {
    const std::uint64_t dropped = m_controllers.droppedWhenFull();
    if (dropped == m_droppedShown) return;
    m_droppedShown = dropped;
    lblDroppedReplies->setText(QStringLiteral("Replies dropped, list full (%1 controllers): %2")
                                   .arg(model::ControllerList::kMaxControllers)
                                   .arg(dropped));
}

void TForm1::SearchDevices(bool SupressError) {
    clearDevices();
    const protocol::Bytes poll = protocol::buildPoll();
    if (SendNetworkPacket(QString::fromLatin1(net::kLimitedBroadcast), net::toByteArray(poll), SupressError))
        pnlNoDevicesHelp->searchStarted();
}

void TForm1::Net_SearchClick() { SearchDevices(false); }

void TForm1::GridSort() { m_gridModel.sortBy(SortColumn); }

void TForm1::Network_GridHeaderClick(int column) {
    if (column < 0 || column >= DeviceGridModel::ColumnCount) return;
    SortColumn = column;
    GridSort();
}

void TForm1::SetSelectedController(int row) {
    const int index = m_gridModel.listIndexOfRow(row);
    if (index < 0) return;
    m_selectedController = index;
    m_selectionGeneration = m_listGeneration;
    m_selectedModel = m_gridModel.cell(row, DeviceGridModel::ColModel);
}

model::TNodaluxCtrl* TForm1::selectedRecord() {
    if (m_selectionGeneration != m_listGeneration || m_selectedController < 0 ||
        static_cast<std::size_t>(m_selectedController) >= m_controllers.size())
        return nullptr;
    return &m_controllers.at(static_cast<std::size_t>(m_selectedController));
}

void TForm1::Network_GridCellDblClick(int row) {
    if (row < 0 || row >= m_gridModel.rowCount()) return;
    SetSelectedController(row);
    const int index = m_selectedController;
    if (m_controllers.at(static_cast<std::size_t>(index)).QorvanaProtVer > kLastLegacyProtocol)
        NetCtrlSettings(index);
    else
        NetCtrlSettingsV4Below(index);
}

void TForm1::setConfigurationFlows(FlowHook current, FlowHook legacy) {
    m_flowCurrent = std::move(current);
    m_flowLegacy = std::move(legacy);
}

void TForm1::NetCtrlSettings(int index) {
    if (m_flowCurrent) m_flowCurrent(index);
}

void TForm1::NetCtrlSettingsV4Below(int index) {
    if (m_flowLegacy) m_flowLegacy(index);
}

// --- receive ---------------------------------------------------------------------

void TForm1::IdUDPServer1UDPRead(const QByteArray& bytes) {
    const auto datagram = bytesOf(bytes);
    switch (protocol::routeDatagram(datagram)) {
    case protocol::Route::PollReply: QorvReadPollReply(bytes); break;
    case protocol::Route::PollReplyV4Below: QorvReadPollReplyV4Below(bytes); break;
    case protocol::Route::TestAnnounce: QorvReadTestAnnounce(bytes, datagram[protocol::kHeaderSize - 1]); break;
    case protocol::Route::DiagnosticMessage: QorvReadDiagnosticMessage(bytes); break;
    case protocol::Route::Drop: break;
    }
}

void TForm1::QorvReadPollReply(const QByteArray& bytes) {
    if (auto record = protocol::readPollReply(bytesOf(bytes))) addController(std::move(*record));
}

void TForm1::QorvReadPollReplyV4Below(const QByteArray& bytes) {
    if (auto record = protocol::readPollReplyV4Below(bytesOf(bytes))) addController(std::move(*record));
}

void TForm1::addController(model::TNodaluxCtrl record) {
    // A duplicate (the first reply stays) or a reply beyond the list's cap
    // (counted by the list) changes no row; the dropped count may change.
    m_controllers.append(std::move(record));
    noteReceived();
}

void TForm1::noteReceived() {
    m_receivedPending = true;
    if (m_showQueued) return;
    m_showQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_showQueued = false;
            showReceived();
        },
        Qt::QueuedConnection);
}

void TForm1::showReceived() {
    if (!m_receivedPending) return;
    m_receivedPending = false;
    m_gridModel.showNewRecords(SortColumn);
    setDevicesLabel();
    setDroppedLabel();
    gridDiagnostic->showQueued();
}

void TForm1::QorvReadTestAnnounce(const QByteArray& bytes, std::uint8_t version) {
    const auto announce = protocol::readTestAnnounce(bytesOf(bytes), version);
    if (!announce) return;
    const protocol::AnnounceResult result = protocol::applyTestAnnounce(m_controllers, *announce);
    if (result.index >= 0 && result.changed) emit testAnnounceApplied(result.index);
}

void TForm1::QorvReadDiagnosticMessage(const QByteArray& bytes) {
    // A datagram that does not hold a whole message (among them the tool's
    // own 19-byte identify broadcast) is dropped by the grid.
    if (gridDiagnostic->queueDatagram(bytesOf(bytes))) noteReceived();
}

// --- auto-poll ---------------------------------------------------------------------

void TForm1::checkBoxAutoPollChange() {
    AutoPollTimer->setInterval(numAutoPollTime->value());
    if (checkBoxAutoPoll->isChecked())
        AutoPollTimer->start();
    else
        AutoPollTimer->stop();
}

void TForm1::numAutoPollTimeChange() {
    AutoPollTimer->setInterval(numAutoPollTime->value());
    if (m_settings) m_settings->setAutoPollInterval(numAutoPollTime->value());
}

void TForm1::AutoPollTimerTimer() { SearchDevices(true); }

// --- help and about ----------------------------------------------------------------

void TForm1::btnHelpClick() {
    if (m_branding.AppBrand == 4) {
        m_services.openUrl(QString::fromLatin1(kBrand4SupportUrl));
        return;
    }
    diagnostics::openGuide(m_services);
}

void TForm1::btnAboutClick() {
    QDialog* about = nullptr;
    switch (m_branding.AppBrand) {
    case 0: about = m_windows.AboutWin; break;
    case 1: about = m_windows.AboutWinBrand1; break;
    case 2: about = m_windows.AboutWinBrand2; break;
    case 4: about = m_windows.AboutWinBrand4; break;
    default: break;
    }
    if (about) m_services.showModal(*about);
}

const model::TNodaluxCtrl* TForm1::recordAtRow(int row) const {
    const int index = m_gridModel.listIndexOfRow(row);
    return index < 0 ? nullptr : &m_controllers.at(static_cast<std::size_t>(index));
}

} // namespace vantrel::app
