#pragma once
// TestTab: the behaviour of the configuration window's Test tab and of its
// two identify buttons, bound to TNodaluxConfig's controls.
//
// The selected controller's record (the window's record source) holds the
// test state. Every change the user makes is stored in the record and sent
// at once in a test-set packet whose mode is the list's selection and whose
// other values come from the record. The controller reports what it runs in
// test announcements; they update the record and, while the window is shown,
// the tab. Showing the record in the tab sets the controls with every change
// handler detached, so it sends nothing; the test-mode list's handler is
// attached only while the window is shown, so filling the list sends nothing
// either.
//
// Automatic single-pixel stepping has two states. Idle: timer off, "Start"
// enabled, "Stop" disabled. Running: timer on, "Start" disabled, "Stop"
// enabled. Start goes to Running while the pixel number is below its maximum;
// Stop, a tick reaching the maximum, a change of the test-mode list, either
// pixel-number button and closing the window go back to Idle.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

#include "model/Controllers.h"
#include "protocol/TestPackets.h"
#include "testmode/Handlers.h"
#include "testmode/TestSender.h"

class QByteArray;

namespace vantrel::config {
class TNodaluxConfig;
}
namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::ui {
class Services;
}

namespace vantrel::testmode {

// The test-mode list: position = the mode code on the wire.
inline constexpr int kTestModeNone = 0;
inline constexpr int kTestModeSetColour = 6;
inline constexpr int kTestModeSinglePixel = 8;
// "Single Pixel" is offered from this protocol version.
inline constexpr int kFirstSinglePixelProtocol = 8;
// Output tests and identify are offered from this protocol version.
inline constexpr int kFirstOutputTestProtocol = 8;

// The list's entries in order; "Single Pixel" only for protocol 8 and later.
QStringList testModeEntries(std::uint8_t protocolVersion);

inline constexpr char kPixelMaximumMessage[] =
    "Pixel number is already at maximum.\rYou may need to increase the configured output pixel numbers to test "
    "beyond this point.";
inline constexpr char kPixelHelpMessage[] =
    "This test will turn on physical pixels one at a time.\r\rNull pixels are included in the test and advanced "
    "configuration options such as grouping and reversing are ignored.\r\rThe purpose of this test is to check "
    "individual pixel function or to count the number of physical pixels on the output.";

class TestTab : public QObject {
    Q_OBJECT
public:
    // Binds the tab to `window`'s controls and joins the window's FormShow
    // and FormClose. The endpoint and the services outlive the tab.
    TestTab(config::TNodaluxConfig& window, net::UdpEndpoint& endpoint, ui::Services& services,
            QObject* parent = nullptr);
    ~TestTab() override;

    // --- receive -------------------------------------------------------------
    // A test announce (opcode 9) with the header's version byte: the last
    // record with the announced address takes every value that differs; if
    // something changed while the window is shown, the tab shows the selected
    // controller's record again. Versions above 8, packets too short for
    // their version and unknown addresses change nothing.
    protocol::AnnounceResult QorvReadTestAnnounce(model::ControllerList& list, std::span<const std::uint8_t> bytes,
                                                  std::uint8_t version);
    protocol::AnnounceResult QorvReadTestAnnounce(model::ControllerList& list, const QByteArray& bytes,
                                                  std::uint8_t version);
    // For a reader that applies announcements itself: record `index` changed.
    void testAnnounceApplied(int index);

    // --- operations ----------------------------------------------------------
    // Sends the test-set packet for `mode` to the selected controller.
    void QorvTestSet(std::uint8_t mode);
    // Sends the identify packet for the selected controller.
    void QorvIdentifySet(bool enable, std::uint8_t option);
    void refreshTestModeControls();
    void setRadioTestOutputsVisibility();
    void testPixelNumberMaxSet();
    void updateSetColourTest(int red, int green, int blue, int white);
    void tmrTestPixelAutoStop();

    bool isStepping() const;
    bool windowShown() const { return m_shown; }

    // --- handlers ------------------------------------------------------------
    void comboTestModesChange();
    void colPanelTestChange();
    void testSliderChange();
    void testEditBoxChange();
    void radioTestOutputsChange();
    void btnTestOutputIncClick();
    void btnTestOutputDecClick();
    void numboxTestOutputChange();
    void numboxTestPixelNumberChange();
    void btnTestPixelNumberIncClick();
    void btnTestPixelNumberDecClick();
    void btnTestPixelAutoStartClick();
    void btnTestPixelAutoStopClick();
    void tmrTestPixelAutoTimer();
    void numboxTestPixelAutoTimeChange();
    void btnTestPixelHelpClick();
    void btnIdentifyStartClick();
    void btnIdentifyStopClick();
    // The Test tab's part of the window's FormShow and FormClose.
    void FormShow();
    void FormClose();

private:
    void bindControls();
    void unbindControls();
    // The selected controller's record, or null.
    model::TNodaluxCtrl* record() const;
    // Sends with the list's current selection (nothing while it has none).
    void sendWithSelection();
    void showMessage(const char* text);
    int pixelMaximum() const;
    int stepInterval() const;

    config::TNodaluxConfig& m_window;
    QPointer<config::TNodaluxConfig> m_windowAlive;
    ui::Services& m_services;
    TestSender m_sender;
    Handlers m_handlers;
    Handlers::Id m_listHandler = 0;
    std::vector<QMetaObject::Connection> m_permanent;
    bool m_shown = false;
    bool m_refreshing = false;
};

} // namespace vantrel::testmode
