#pragma once
// TTCPFirmware: the firmware window. Created once at start-up and reused; shown
// modally by the bootloader trigger or directly for a controller that already
// runs its bootloader. The user picks a ".hex" file, the window compares its
// name with the controller's model to catch a firmware of the wrong hardware
// generation, then uploads it to the controller's bootloader over TCP:
// "Firmware Nodalux 16" CR LF, a pause of 2000 ms, the file unchanged, close.
//
// The window serves the controller that is selected when it is shown (its
// address and its model text as the device grid showed it). While the upload
// runs the window stays responsive, shows the status text and the progress,
// and cannot be closed; every wait of the upload is bounded.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "model/FirmwareFile.h"
#include "net/FirmwareUpload.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vantrel::ui {
class Services;
class UserSettings;
}
namespace vantrel::model {
struct TNodaluxCtrl;
}

namespace vantrel::firmware {

inline constexpr char kCaption[] = "Firmware  Update"; // two blanks between the words
inline constexpr char kFileDialogCaption[] = "Open";
inline constexpr char kFileFilter[] = "Firmware Hex File|*.hex";
inline constexpr auto& kFirmwareExtension = model::kFirmwareExtension;
inline constexpr auto& kHeaderLine = model::kFirmwareHeaderLine;
inline constexpr char kStatusText[] = "Please wait, updating firmware...";

// Messages.
inline constexpr char kInvalidFileText[] = "Please select a valid firmware file.";
inline constexpr char kIncompatibleText[] =
    "Possible incompatibility between firmware file and device has been detected.\r\rWe recommend you abort the "
    "update and double check your firmware file. This can happen if you try and load the wrong generation firmware, "
    "for example MkII firmware onto a 1st generation device. \r\rIf you are sure, press ignore to send the firmware "
    "file anyway.";
inline constexpr char kCannotConnectText[] = "Cannot connect to the device, maybe it is offline?\r\rCheck network "
                                             "cable is still connected and device LEDs indicate bootload mode.";
inline constexpr char kUpdateSentText[] = "Update Sent";
inline constexpr char kErrorSendingText[] = "Error Sending File";
// Failures the window reports in its own words; %1 is the system's reason.
inline constexpr char kConnectionBrokenText[] =
    "Error Sending File\r\rThe connection to the device broke before the upload was complete. %1";
inline constexpr char kStalledText[] =
    "Error Sending File\r\rThe device stopped taking data before the whole file was sent. %1";
inline constexpr char kUnreadableFileText[] = "Cannot read the firmware file \"%1\": %2";
inline constexpr char kFileTooLargeText[] =
    "The file \"%1\" is too large for a firmware file (%2 bytes; at most %3 bytes).";
inline constexpr char kNoControllerText[] = "No controller is selected. Search again and choose the controller.";

// The upload's timing.
inline constexpr int kHeaderPauseMs = model::kFirmwareHeaderPauseMs;
inline constexpr int kConnectTimeoutMs = model::kFirmwareConnectTimeoutMs;
inline constexpr int kStallTimeoutMs = model::kFirmwareStallTimeoutMs;
inline constexpr int kCloseTimeoutMs = model::kFirmwareCloseTimeoutMs;
inline constexpr qint64 kMaxFirmwareFileSize = model::kMaxFirmwareFileSize;

// Modal result of "Close", the title bar and the end after "Update Sent".
inline constexpr int kModalClose = 2;

// What the window needs of the selected controller.
struct FirmwareTarget {
    QString ip;    // dotted IPv4 address (CurrentIP)
    QString model; // the model text of the device grid's row (SelectedControllerModel)
};
FirmwareTarget targetOf(const model::TNodaluxCtrl& record, const QString& gridModel);

// The outcome of the file and generation check of UpdateClick (model/FirmwareFile.h).
using FirmwareCheck = model::FirmwareCheck;
FirmwareCheck checkFirmwareFile(const QString& fileName, const QString& model);

class TTCPFirmware : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 366;
    static constexpr int kClientHeight = 88;

    // The window uploads through a TcpFirmwareUpload of its own.
    explicit TTCPFirmware(ui::Services& services, QWidget* parent = nullptr);
    // ...or through `upload` (tests); the window becomes its parent.
    TTCPFirmware(ui::Services& services, std::unique_ptr<net::FirmwareUpload> upload, QWidget* parent = nullptr);
    ~TTCPFirmware() override;

    // Where the window learns the selected controller when it is shown;
    // nothing when no controller is selected.
    using ControllerSource = std::function<std::optional<FirmwareTarget>()>;
    void setControllerSource(ControllerSource source) { m_source = std::move(source); }
    // The controller the window serves now (taken when it was last shown).
    const std::optional<FirmwareTarget>& target() const { return m_target; }
    // Where "Browse" starts (the folder of the file chosen last) and what it
    // remembers; without it the dialog opens in the current folder.
    void setUserSettings(ui::UserSettings* settings) { m_settings = settings; }

    // --- controls (objectName = member name) ---------------------------------
    QPushButton* FileOpenBtn = nullptr;
    QLineEdit* FileDisplay = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* progressUpload = nullptr; // shown while an upload runs
    QPushButton* Cancel = nullptr;
    QPushButton* Update = nullptr;
    net::FirmwareUpload* IdTCPClient1 = nullptr;

    // --- handlers --------------------------------------------------------------
    void FormShow();
    void FileOpenBtnClick();
    // The text after the last backslash or slash of `path`; all of it when it has neither.
    static QString GetFileName(const QString& path);
    void UpdateClick();
    void WarnInvalidFirmware();
    void SendEthFirmware();
    void IdTCPClient1Connected();

    bool isSending() const { return m_sending; }

public slots:
    void reject() override; // "Close" and the title bar: modal result 2

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setSending(bool sending);
    void showProgress(qint64 delivered, qint64 total);
    void report(net::FirmwareUploadResult result, const QString& detail);
    // The file named by FileDisplay, or nothing after telling the user why not.
    std::optional<QByteArray> readFirmwareFile();

    ui::Services& m_services;
    ui::UserSettings* m_settings = nullptr;
    ControllerSource m_source;
    std::optional<FirmwareTarget> m_target;
    bool m_sending = false;
};

} // namespace vantrel::firmware
