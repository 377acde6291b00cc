#include "firmware/EthFirmware.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <utility>

#include "model/NodaluxCtrl.h"
#include "net/TcpFirmwareUpload.h"
#include "net/Datagrams.h"
#include "ui/Services.h"
#include "ui/UserSettings.h"

namespace vantrel::firmware {

namespace {

// Layout of the client area (pixels).
constexpr int kMargin = 8;
constexpr int kButtonWidth = 68;
constexpr int kButtonHeight = 25;
constexpr int kGap = 6;
constexpr int kRow1Top = 12;
constexpr int kRow2Top = 48;
constexpr int kStatusHeight = 17;
// The progress bar runs along the bottom edge, under the status text and the buttons.
constexpr int kProgressHeight = 6;
constexpr int kProgressTop = TTCPFirmware::kClientHeight - kProgressHeight - 3;
// The progress bar counts in thousandths of the file.
constexpr int kProgressSteps = 1000;

} // namespace

FirmwareTarget targetOf(const model::TNodaluxCtrl& record, const QString& gridModel) {
    return {net::currentAddress(record), gridModel};
}

FirmwareCheck checkFirmwareFile(const QString& fileName, const QString& model) {
    return model::checkFirmwareFile(fileName.toStdU16String(), model.toStdU16String());
}

TTCPFirmware::TTCPFirmware(ui::Services& services, QWidget* parent)
    : TTCPFirmware(services, std::make_unique<net::TcpFirmwareUpload>(), parent) {}

TTCPFirmware::TTCPFirmware(ui::Services& services, std::unique_ptr<net::FirmwareUpload> upload, QWidget* parent)
    : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("TCPFirmware"));
    setWindowTitle(QString::fromLatin1(kCaption));
    // Fixed single border, system menu and minimise only.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    buildControls();

    // The upload is one of the window's parts, found by name like its controls.
    IdTCPClient1 = upload.release();
    IdTCPClient1->setParent(this);
    IdTCPClient1->setObjectName(QStringLiteral("IdTCPClient1"));
    connect(IdTCPClient1, &net::FirmwareUpload::connected, this, &TTCPFirmware::IdTCPClient1Connected);
    connect(IdTCPClient1, &net::FirmwareUpload::progress, this, &TTCPFirmware::showProgress);
}

TTCPFirmware::~TTCPFirmware() {
    // The upload goes with the window; nothing of it may reach the window meanwhile.
    IdTCPClient1->disconnect(this);
}

void TTCPFirmware::buildControls() {
    const int buttonLeft = kClientWidth - kMargin - kButtonWidth;

    FileDisplay = new QLineEdit(this);
    FileDisplay->setObjectName(QStringLiteral("FileDisplay"));
    FileDisplay->setGeometry(kMargin, kRow1Top, buttonLeft - kGap - kMargin, kButtonHeight);

    FileOpenBtn = new QPushButton(QStringLiteral("Browse"), this);
    FileOpenBtn->setObjectName(QStringLiteral("FileOpenBtn"));
    FileOpenBtn->setGeometry(buttonLeft, kRow1Top, kButtonWidth, kButtonHeight);
    FileOpenBtn->setAutoDefault(false);
    connect(FileOpenBtn, &QPushButton::clicked, this, &TTCPFirmware::FileOpenBtnClick);

    Update = new QPushButton(QStringLiteral("Update"), this);
    Update->setObjectName(QStringLiteral("Update"));
    Update->setGeometry(buttonLeft, kRow2Top, kButtonWidth, kButtonHeight);
    Update->setAutoDefault(false);
    connect(Update, &QPushButton::clicked, this, &TTCPFirmware::UpdateClick);

    Cancel = new QPushButton(QStringLiteral("Close"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(buttonLeft - kGap - kButtonWidth, kRow2Top, kButtonWidth, kButtonHeight);
    Cancel->setAutoDefault(false);
    connect(Cancel, &QPushButton::clicked, this, &TTCPFirmware::reject);

    lblStatus = new QLabel(QString::fromLatin1(kStatusText), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(kMargin, kRow2Top + (kButtonHeight - kStatusHeight) / 2, Cancel->x() - kGap - kMargin,
                           kStatusHeight);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->hide();

    progressUpload = new QProgressBar(this);
    progressUpload->setObjectName(QStringLiteral("progressUpload"));
    progressUpload->setGeometry(kMargin, kProgressTop, kClientWidth - 2 * kMargin, kProgressHeight);
    progressUpload->setTextVisible(false);
    progressUpload->setRange(0, kProgressSteps);
    progressUpload->hide();
}

void TTCPFirmware::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return; // restored from minimised: nothing new
    // Centred on the screen, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TTCPFirmware::FormShow() {
    if (m_sending) return;
    lblStatus->hide();
    progressUpload->hide();
    m_target = m_source ? m_source() : std::nullopt;
}

void TTCPFirmware::FileOpenBtnClick() {
    const QString start = m_settings ? ui::UserSettings::existingFolder(m_settings->firmwareFolder()) : QString();
    const QString path = m_services.chooseOpenFile(QString::fromLatin1(kFileDialogCaption),
                                                   QString::fromLatin1(kFileFilter), start);
    if (path.isEmpty()) return;
    FileDisplay->setText(path);
    if (m_settings) m_settings->setFirmwareFolder(QFileInfo(path).absolutePath());
}

QString TTCPFirmware::GetFileName(const QString& path) {
    // The backslash rule, and the slash that separates folders on this platform.
    const std::u16string text = path.toStdU16String();
    const std::u16string_view name = model::firmwareFileName(text);
    return QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size()));
}

void TTCPFirmware::UpdateClick() {
    if (m_sending) return;
    if (!m_target && m_source) m_target = m_source();
    const QString model = m_target ? m_target->model : QString();
    switch (checkFirmwareFile(GetFileName(FileDisplay->text()), model)) {
    case FirmwareCheck::Invalid:
        m_services.message(ui::MessageKind::Plain, QString::fromLatin1(kInvalidFileText));
        return;
    case FirmwareCheck::Warn: WarnInvalidFirmware(); return;
    case FirmwareCheck::Send: SendEthFirmware(); return;
    }
}

void TTCPFirmware::WarnInvalidFirmware() {
    // Abort is the default: a wrong-generation firmware can leave the controller unusable.
    const ui::Answer answer = m_services.message(ui::MessageKind::Warning, QString::fromLatin1(kIncompatibleText),
                                                 ui::Buttons::AbortIgnore, ui::Answer::Abort);
    if (answer == ui::Answer::Ignore) SendEthFirmware();
}

std::optional<QByteArray> TTCPFirmware::readFirmwareFile() {
    const QString path = FileDisplay->text();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_services.message(ui::MessageKind::Error,
                           QString::fromLatin1(kUnreadableFileText).arg(path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaxFirmwareFileSize) {
        m_services.message(ui::MessageKind::Error, QString::fromLatin1(kFileTooLargeText)
                                                       .arg(path)
                                                       .arg(file.size())
                                                       .arg(kMaxFirmwareFileSize));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_services.message(ui::MessageKind::Error,
                           QString::fromLatin1(kUnreadableFileText).arg(path, file.errorString()));
        return std::nullopt;
    }
    if (bytes.isEmpty()) {
        // Nothing to send: the device is not even contacted.
        m_services.message(ui::MessageKind::Error, QString::fromLatin1(kErrorSendingText));
        return std::nullopt;
    }
    return bytes;
}

void TTCPFirmware::SendEthFirmware() {
    if (m_sending) return;
    if (!m_target) {
        m_services.message(ui::MessageKind::Error, QString::fromLatin1(kNoControllerText));
        return;
    }
    // The file is read first: a file that cannot be sent never starts an upload.
    std::optional<QByteArray> file = readFirmwareFile();
    if (!file) return;

    net::FirmwareUploadRequest request;
    request.host = m_target->ip;
    request.port = net::kFirmwarePort;
    request.header = QByteArray(kHeaderLine);
    request.pauseMs = kHeaderPauseMs;
    request.file = std::move(*file);
    request.connectTimeoutMs = kConnectTimeoutMs;
    request.stallTimeoutMs = kStallTimeoutMs;
    request.closeTimeoutMs = kCloseTimeoutMs;

    setSending(true);
    // The window waits for the end of the upload in an event loop of its own,
    // so that it repaints and the progress moves meanwhile.
    std::optional<std::pair<net::FirmwareUploadResult, QString>> outcome;
    QEventLoop loop;
    const auto link = connect(IdTCPClient1, &net::FirmwareUpload::finished, &loop,
                              [&](net::FirmwareUploadResult result, const QString& detail) {
                                  outcome.emplace(result, detail);
                                  loop.quit();
                              });
    IdTCPClient1->start(request);
    if (!outcome) loop.exec();
    if (!outcome) IdTCPClient1->cancel(); // the application is quitting
    disconnect(link);
    setSending(false);
    if (outcome) report(outcome->first, outcome->second);
}

void TTCPFirmware::IdTCPClient1Connected() {
    lblStatus->show();
    lblStatus->repaint();
}

void TTCPFirmware::showProgress(qint64 delivered, qint64 total) {
    if (progressUpload->maximum() == 0) progressUpload->setRange(0, kProgressSteps);
    const qint64 steps = total > 0 ? delivered * kProgressSteps / total : 0;
    progressUpload->setValue(static_cast<int>(steps));
}

void TTCPFirmware::setSending(bool sending) {
    m_sending = sending;
    FileDisplay->setEnabled(!sending);
    FileOpenBtn->setEnabled(!sending);
    Update->setEnabled(!sending);
    Cancel->setEnabled(!sending);
    if (sending) {
        progressUpload->setRange(0, 0); // busy until the file moves
        progressUpload->show();
    } else {
        progressUpload->hide();
        progressUpload->setRange(0, kProgressSteps);
        progressUpload->setValue(0);
        lblStatus->hide();
    }
}

void TTCPFirmware::report(net::FirmwareUploadResult result, const QString& detail) {
    using R = net::FirmwareUploadResult;
    switch (result) {
    case R::Sent:
        m_services.message(ui::MessageKind::Information, QString::fromLatin1(kUpdateSentText));
        done(kModalClose);
        return;
    case R::CannotConnect:
        m_services.message(ui::MessageKind::Plain, QString::fromLatin1(kCannotConnectText));
        return;
    case R::ConnectionBroken:
        m_services.message(ui::MessageKind::Error, QString::fromLatin1(kConnectionBrokenText).arg(detail));
        return;
    case R::Stalled:
        m_services.message(ui::MessageKind::Error, QString::fromLatin1(kStalledText).arg(detail));
        return;
    case R::Cancelled: return;
    }
}

void TTCPFirmware::reject() {
    if (m_sending) return; // an upload runs: it ends by itself, within its time limits
    done(kModalClose);
}

void TTCPFirmware::closeEvent(QCloseEvent* event) {
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace vantrel::firmware
