#include "app/DeviceGridMenu.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QSaveFile>
#include <QTableView>

#include "app/TForm1.h"
#include "config/ConfigFlow.h"
#include "model/GridTexts.h"
#include "model/Rules.h"
#include "model/Settings.h"
#include "model/Text.h"
#include "net/Datagrams.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "testmode/TestSender.h"
#include "ui/Services.h"

namespace vantrel::app {

namespace {

const char* const kSettingsFilter = "Settings File|*.json";
const char* const kCsvFilter = "CSV File|*.csv";
const QString kArrow = QStringLiteral(" \u2192 ");

QString qs(const std::string& text) { return QString::fromStdString(text); }
QString u16(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// "Stage Left" (10.77.1.3), or the address alone.
QString controllerName(const model::TNodaluxCtrl& r) {
    const QString ip = qs(model::ipText(r.CurrentIP));
    const QString nickname = u16(model::nicknameText(r));
    return nickname.isEmpty() ? ip : QStringLiteral("\"%1\" (%2)").arg(nickname, ip);
}

QString changesText(const model::ApplyResult& applied) {
    QStringList lines;
    for (const auto& c : applied.changes)
        lines << qs(c.key) + QStringLiteral(": ") + qs(c.before.empty() ? "(none)" : c.before) + kArrow +
                     qs(c.after.empty() ? "(none)" : c.after);
    for (const auto& note : applied.notes) lines << qs(note);
    return lines.join(u'\n');
}

QAction* addAction(QMenu* menu, const char* name, const QString& text, bool enabled) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QLatin1String(name));
    a->setEnabled(enabled);
    return a;
}

} // namespace

DeviceGridMenu::DeviceGridMenu(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services)
    : QObject(&form), m_form(form), m_endpoint(endpoint), m_services(services) {
    setObjectName(QStringLiteral("DeviceGridMenu"));
    form.Network_Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form.Network_Grid, &QTableView::customContextMenuRequested, this, &DeviceGridMenu::requested);
}

void DeviceGridMenu::requested(const QPoint& viewportPos) {
    const int row = m_form.Network_Grid->rowAt(viewportPos.y());
    if (row >= 0) m_form.Network_Grid->selectRow(row);
    popup(row, m_form.Network_Grid->viewport()->mapToGlobal(viewportPos));
}

QMenu* DeviceGridMenu::popup(int row, const QPoint& globalPos) {
    delete m_menu;
    m_menu = new QMenu(m_form.Network_Grid);
    m_menu->setObjectName(QStringLiteral("menuDeviceGrid"));
    const model::TNodaluxCtrl* shown = m_form.recordAtRow(row);
    // The menu works on the controller as it was when the menu opened.
    const std::optional<model::TNodaluxCtrl> record = shown ? std::optional(*shown) : std::nullopt;
    const bool application = record && !model::isBootloader(*record);
    const bool identifies = application && record->QorvanaProtVer == protocol::kIdentifyVersion;

    connect(addAction(m_menu, "actIdentifyStart", tr("Start Identify"), identifies), &QAction::triggered, this,
            [this, record] { identify(*record, true); });
    connect(addAction(m_menu, "actIdentifyStop", tr("Stop Identify"), identifies), &QAction::triggered, this,
            [this, record] { identify(*record, false); });
    m_menu->addSeparator();
    connect(addAction(m_menu, "actBackUp", tr("Back up settings\u2026"), application), &QAction::triggered, this,
            [this, record] { backUp(*record); });
    connect(addAction(m_menu, "actRestore", tr("Restore settings\u2026"), application), &QAction::triggered, this,
            [this, record] { restore(*record); });
    connect(addAction(m_menu, "actCopyIp", tr("Copy IP address"), record.has_value()), &QAction::triggered, this,
            [this, record] { copyIpAddress(*record); });
    m_menu->addSeparator();
    const bool any = m_form.gridModel().rowCount() > 0;
    connect(addAction(m_menu, "actBackUpAll", tr("Back up all\u2026"), any), &QAction::triggered, this,
            &DeviceGridMenu::backUpAll);
    connect(addAction(m_menu, "actExportList", tr("Export list\u2026"), any), &QAction::triggered, this,
            &DeviceGridMenu::exportList);
    m_menu->popup(globalPos);
    return m_menu;
}

QString DeviceGridMenu::remember(const QString& path, bool isFolder) {
    if (!path.isEmpty()) m_folder = isFolder ? path : QFileInfo(path).absolutePath();
    return path;
}

bool DeviceGridMenu::writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    m_services.message(ui::MessageKind::Error, tr("Cannot write %1: %2").arg(path, file.errorString()));
    return false;
}

void DeviceGridMenu::identify(const model::TNodaluxCtrl& record, bool start) {
    testmode::TestSender(m_endpoint, m_services).QorvIdentifySet(record, start, 0);
}

void DeviceGridMenu::copyIpAddress(const model::TNodaluxCtrl& record) {
    QGuiApplication::clipboard()->setText(qs(model::ipText(record.CurrentIP)));
}

void DeviceGridMenu::backUp(const model::TNodaluxCtrl& record) {
    const auto text = model::settingsFileText(record);
    if (!text) return;
    const QString path = remember(m_services.chooseSaveFile(tr("Back up settings"), QLatin1String(kSettingsFilter),
                                                            m_folder, qs(model::settingsFileName(record))));
    if (!path.isEmpty()) writeFile(path, QByteArray::fromStdString(*text));
}

std::optional<QString> DeviceGridMenu::refusal(const model::TNodaluxCtrl& r) const {
    if (!model::versionAtLeast(m_form.branding().AppVersion, r.MinVantrelVer))
        return tr("The controller requires version %1.%2.%3 or later of this program.")
            .arg(r.MinVantrelVer[0])
            .arg(r.MinVantrelVer[1])
            .arg(r.MinVantrelVer[2]);
    const int adapter = m_form.comboNetAdapter->currentIndex();
    if (m_form.AdapterNetworks.value(adapter) != qs(model::networkAddressText(r.CurrentIP, r.CurrentSM)))
        return tr("The controller is on another network than the adapter. Double-click it to change its IP "
                  "settings first.");
    if (!protocol::buildConfigAsSent(r)) return tr("This program sends no settings to protocol %1.").arg(r.QorvanaProtVer);
    return std::nullopt;
}

void DeviceGridMenu::restore(const model::TNodaluxCtrl& record) {
    if (const auto why = refusal(record)) {
        m_services.message(ui::MessageKind::Warning, *why);
        return;
    }
    const QString path =
        remember(m_services.chooseOpenFile(tr("Restore settings"), QLatin1String(kSettingsFilter), m_folder));
    if (path.isEmpty()) return;
    QFile file(path);
    QByteArray text;
    if (file.open(QIODevice::ReadOnly)) text = file.read(static_cast<qint64>(model::kMaxSettingsFileSize) + 1);
    const model::SettingsParse parsed = text.isEmpty() ? model::SettingsParse{std::nullopt, "the file is empty or cannot be read"}
                                                       : model::parseSettingsFile(text.toStdString());
    if (!parsed.settings) {
        m_services.message(ui::MessageKind::Error,
                           tr("The settings file %1 cannot be used:\n\n%2").arg(path, qs(parsed.error)));
        return;
    }
    model::ApplyResult applied = model::applySettings(*parsed.settings, record);
    if (!applied.ok && applied.otherModel) {
        const ui::Answer answer = m_services.message(
            ui::MessageKind::Warning,
            tr("%1\n\nApply the settings anyway? What this controller does not have is left out.").arg(qs(applied.error)),
            ui::Buttons::YesNo, ui::Answer::No);
        if (answer != ui::Answer::Yes) return;
        applied = model::applySettings(*parsed.settings, record, {.force = true});
    }
    if (!applied.ok) {
        m_services.message(ui::MessageKind::Error,
                           tr("These settings cannot be sent to %1:\n\n%2").arg(controllerName(record), qs(applied.error)));
        return;
    }
    if (applied.changes.empty()) {
        m_services.message(ui::MessageKind::Information,
                           tr("%1 has these settings already. Nothing was sent.").arg(controllerName(record)));
        return;
    }
    const ui::Answer answer =
        m_services.message(ui::MessageKind::Warning,
                           tr("Send these settings to %1?\n\n%2").arg(controllerName(record), changesText(applied)),
                           ui::Buttons::YesNo, ui::Answer::No);
    if (answer != ui::Answer::Yes) return;
    const auto packet = protocol::buildConfigAsSent(applied.record);
    if (!m_form.SendNetworkPacket(net::currentAddress(record), net::toByteArray(*packet), false)) return;
    // As after the configuration window's OK: a pause, then a search that lists the new settings.
    m_services.sleep(config::kAfterConfigPauseMs);
    m_form.SearchDevices(true);
}

void DeviceGridMenu::backUpAll() {
    const QString folder = remember(m_services.chooseFolder(tr("Back up all"), m_folder), true);
    if (folder.isEmpty()) return;
    int saved = 0, inBootloader = 0;
    for (int row = 0; row < m_form.gridModel().rowCount(); ++row) {
        const model::TNodaluxCtrl* r = m_form.recordAtRow(row);
        const auto text = r ? model::settingsFileText(*r) : std::nullopt;
        if (!text) {
            ++inBootloader;
            continue;
        }
        if (!writeFile(QDir(folder).filePath(qs(model::settingsFileName(*r))), QByteArray::fromStdString(*text))) return;
        ++saved;
    }
    QString summary = tr("Saved the settings of %1 controller(s) in %2.").arg(saved).arg(folder);
    if (inBootloader > 0)
        summary += u'\n' + tr("%1 controller(s) run their bootloader and have no settings to save.").arg(inBootloader);
    m_services.message(ui::MessageKind::Information, summary);
}

void DeviceGridMenu::exportList() {
    const QString path = remember(m_services.chooseSaveFile(tr("Export list"), QLatin1String(kCsvFilter), m_folder,
                                                            QStringLiteral("controllers.csv")));
    if (path.isEmpty()) return;
    const DeviceGridModel& grid = m_form.gridModel();
    std::string csv;
    std::vector<std::string> header;
    for (int c = 0; c < DeviceGridModel::ColumnCount; ++c)
        header.push_back(grid.headerData(c, Qt::Horizontal).toString().toStdString());
    csv += model::csvLine(header) + "\r\n";
    for (const DeviceGridModel::Row& row : grid.rows()) {
        std::vector<std::string> cells;
        for (const QString& cell : row) cells.push_back(cell.toStdString());
        csv += model::csvLine(cells) + "\r\n";
    }
    writeFile(path, QByteArray::fromStdString(csv));
}

} // namespace vantrel::app
