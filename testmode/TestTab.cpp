#include "testmode/TestTab.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QByteArray>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "config/ColourPanel.h"
#include "config/EditChecks.h"
#include "config/NodaluxConfig.h"
#include "config/QtText.h"
#include "ui/Services.h"

namespace vantrel::testmode {

namespace {

constexpr int kLevelMax = 255;
constexpr int kColours = 4;
constexpr std::size_t kRed = 0, kGreen = 1, kBlue = 2, kWhite = 3;
constexpr int kMillisecondsPerSecond = 1000;
// The pixel number is 16 bits on the wire.
constexpr int kPixelNumberMax = std::numeric_limits<std::uint16_t>::max();

std::uint8_t level(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, kLevelMax)); }

// Physical pixels of output `output` (1-based): its pixels and its null pixels.
long long physicalPixels(const model::TNodaluxCtrl& r, int output) {
    const auto k = static_cast<std::size_t>(output - 1);
    return static_cast<long long>(r.NumNodes[k]) + r.AdvNull[k];
}

} // namespace

QStringList testModeEntries(std::uint8_t protocolVersion) {
    return config::testModeItems(protocolVersion >= kFirstSinglePixelProtocol);
}

TestTab::TestTab(config::TNodaluxConfig& window, net::UdpEndpoint& endpoint, ui::Services& services, QObject* parent)
    : QObject(parent), m_window(window), m_windowAlive(&window), m_services(services), m_sender(endpoint, services) {
    bindControls();
    m_window.setTestTabHooks([this] { FormShow(); }, [this] { FormClose(); });
}

TestTab::~TestTab() {
    // The window may be going away itself (the tab may be its child).
    if (m_windowAlive) m_windowAlive->setTestTabHooks({}, {});
}

void TestTab::bindControls() {
    config::TNodaluxConfig& w = m_window;
    // The number boxes take a typed value on Enter or on leaving them, not at
    // every keystroke, and step only through the ▲/▼ buttons beside them,
    // whose rules stop the stepping and show the maximum message.
    for (QAbstractSpinBox* box : {static_cast<QAbstractSpinBox*>(w.numboxTestOutput),
                                  static_cast<QAbstractSpinBox*>(w.numboxTestPixelNumber),
                                  static_cast<QAbstractSpinBox*>(w.numboxTestPixelAutoTime)})
        box->setKeyboardTracking(false);
    w.numboxTestOutput->setButtonSymbols(QAbstractSpinBox::NoButtons);
    w.numboxTestPixelNumber->setButtonSymbols(QAbstractSpinBox::NoButtons);
    w.tmrTestPixelAuto->setSingleShot(false);

    // Attached only while the window is shown (FormShow / FormClose).
    m_listHandler = m_handlers.add(
        [this, &w] {
            return connect(w.comboTestModes, &QComboBox::currentIndexChanged, this, &TestTab::comboTestModesChange);
        },
        false);

    m_handlers.add([this, &w] {
        return connect(w.colPanelTest, &config::ColourPanel::colorChanged, this, &TestTab::colPanelTestChange);
    });
    for (QSlider* s : {w.trackTestRed, w.trackTestGreen, w.trackTestBlue, w.trackTestWhite})
        m_handlers.add([this, s] { return connect(s, &QSlider::valueChanged, this, &TestTab::testSliderChange); });
    // An edit's change is taken when the user leaves it (Enter or focus).
    for (QLineEdit* e : {w.editTestRed, w.editTestGreen, w.editTestBlue, w.editTestWhite})
        m_handlers.add(
            [this, e] { return connect(e, &QLineEdit::editingFinished, this, &TestTab::testEditBoxChange); });
    // One call per switch between the two radio buttons, on the one that became checked.
    m_handlers.add([this, &w] {
        return connect(w.testPixelOutputs, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool checked) {
            if (checked) radioTestOutputsChange();
        });
    });
    m_handlers.add([this, &w] {
        return connect(w.numboxTestOutput, &QSpinBox::valueChanged, this, &TestTab::numboxTestOutputChange);
    });
    m_handlers.add([this, &w] {
        return connect(w.numboxTestPixelNumber, &QSpinBox::valueChanged, this, &TestTab::numboxTestPixelNumberChange);
    });
    m_handlers.add([this, &w] {
        return connect(w.numboxTestPixelAutoTime, &QDoubleSpinBox::valueChanged, this,
                       &TestTab::numboxTestPixelAutoTimeChange);
    });

    // Buttons and the timer are never set by the refresh: connected for good.
    m_permanent = {
        connect(w.btnTestOutputInc, &QPushButton::clicked, this, &TestTab::btnTestOutputIncClick),
        connect(w.btnTestOutputDec, &QPushButton::clicked, this, &TestTab::btnTestOutputDecClick),
        connect(w.btnTestPixelNumberInc, &QPushButton::clicked, this, &TestTab::btnTestPixelNumberIncClick),
        connect(w.btnTestPixelNumberDec, &QPushButton::clicked, this, &TestTab::btnTestPixelNumberDecClick),
        connect(w.btnTestPixelAutoStart, &QPushButton::clicked, this, &TestTab::btnTestPixelAutoStartClick),
        connect(w.btnTestPixelAutoStop, &QPushButton::clicked, this, &TestTab::btnTestPixelAutoStopClick),
        connect(w.btnTestPixelHelp, &QToolButton::clicked, this, &TestTab::btnTestPixelHelpClick),
        connect(w.tmrTestPixelAuto, &QTimer::timeout, this, &TestTab::tmrTestPixelAutoTimer),
        connect(w.btnIdentifyStart, &QPushButton::clicked, this, &TestTab::btnIdentifyStartClick),
        connect(w.btnIdentifyStop, &QPushButton::clicked, this, &TestTab::btnIdentifyStopClick),
    };

    // A window going away takes its controls with it: from then on nothing of
    // it reaches the tab.
    connect(&w, &QObject::destroyed, this, [this] { unbindControls(); });
}

void TestTab::unbindControls() {
    for (Handlers::Id id = 0; id < m_handlers.size(); ++id) m_handlers.detach(id);
    for (const QMetaObject::Connection& c : m_permanent) disconnect(c);
    m_permanent.clear();
    m_shown = false;
}

model::TNodaluxCtrl* TestTab::record() const { return m_window.record(); }

void TestTab::showMessage(const char* text) {
    m_services.message(ui::MessageKind::Information, QString::fromUtf8(text), ui::Buttons::Ok, ui::Answer::Ok);
}

// --- sending ---------------------------------------------------------------------

void TestTab::QorvTestSet(std::uint8_t mode) {
    if (const model::TNodaluxCtrl* r = record()) m_sender.QorvTestSet(*r, mode);
}

void TestTab::QorvIdentifySet(bool enable, std::uint8_t option) {
    if (const model::TNodaluxCtrl* r = record()) m_sender.QorvIdentifySet(*r, enable, option);
}

void TestTab::sendWithSelection() {
    const int mode = m_window.comboTestModes->currentIndex();
    if (mode < 0) return;
    QorvTestSet(static_cast<std::uint8_t>(mode));
}

// --- receive ---------------------------------------------------------------------

protocol::AnnounceResult TestTab::QorvReadTestAnnounce(model::ControllerList& list,
                                                       std::span<const std::uint8_t> bytes, std::uint8_t version) {
    const auto announce = protocol::readTestAnnounce(bytes, version);
    if (!announce) return {};
    const protocol::AnnounceResult result = protocol::applyTestAnnounce(list, *announce);
    if (result.index >= 0 && result.changed) testAnnounceApplied(result.index);
    return result;
}

protocol::AnnounceResult TestTab::QorvReadTestAnnounce(model::ControllerList& list, const QByteArray& bytes,
                                                       std::uint8_t version) {
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    return QorvReadTestAnnounce(list, view, version);
}

void TestTab::testAnnounceApplied(int /*index*/) {
    // The refresh shows the selected controller, whichever record changed.
    if (m_shown) refreshTestModeControls();
}

// --- showing the record --------------------------------------------------------------

void TestTab::refreshTestModeControls() {
    const model::TNodaluxCtrl* r = record();
    config::TNodaluxConfig& w = m_window;
    if (!r || r->TestMode >= w.comboTestModes->count()) return;

    const Handlers::Detached detached(m_handlers);
    m_refreshing = true;

    w.comboTestModes->setCurrentIndex(r->TestMode);
    w.lblCurrentTest->setText(w.comboTestModes->itemText(r->TestMode));
    w.enableDisableColourControls();

    const auto& cols = r->TestModeCols;
    w.colPanelTest->setColor(QColor(cols[kRed], cols[kGreen], cols[kBlue]));
    QSlider* const tracks[] = {w.trackTestRed, w.trackTestGreen, w.trackTestBlue, w.trackTestWhite};
    QLineEdit* const edits[] = {w.editTestRed, w.editTestGreen, w.editTestBlue, w.editTestWhite};
    for (std::size_t k = 0; k < kColours; ++k) tracks[k]->setValue(cols[k]);
    for (std::size_t k = 0; k < kColours; ++k) edits[k]->setText(QString::number(cols[k]));

    // A record's output count may exceed the outputs it describes; the box
    // offers at least output 1.
    w.numboxTestOutput->setMaximum(std::clamp<int>(r->NumUsableOutputs, 1, model::kMaxOutputs));
    (r->TestOutputNum != 0 ? w.radioTestSingleOutput : w.radioTestAllOutputs)->setChecked(true);
    setRadioTestOutputsVisibility();
    w.numboxTestOutput->setValue(r->TestOutputNum);
    // The pixel limit follows the output choice just shown, before the pixel
    // number is set within it.
    testPixelNumberMaxSet();
    w.numboxTestPixelNumber->setValue(r->TestSinglePixelNum);

    m_refreshing = false;
}

void TestTab::setRadioTestOutputsVisibility() {
    config::TNodaluxConfig& w = m_window;
    const bool single = w.radioTestSingleOutput->isChecked();
    for (QWidget* c : std::initializer_list<QWidget*>{w.lblTestOutput, w.numboxTestOutput, w.btnTestOutputInc,
                                                      w.btnTestOutputDec})
        c->setEnabled(single);
}

int TestTab::pixelMaximum() const {
    config::TNodaluxConfig& w = m_window;
    const model::TNodaluxCtrl& r = w.recordView();
    long long maximum = 0;
    if (w.radioTestSingleOutput->isChecked()) {
        const int output = w.numboxTestOutput->value();
        if (output >= 1 && output <= model::kMaxOutputs) maximum = physicalPixels(r, output);
    } else {
        // The walk runs on every output at once: it ends with the shortest.
        maximum = w.MaxPixelsPerOutput();
        const int outputs = std::min(w.numboxTestOutput->maximum(), model::kMaxOutputs);
        for (int i = 1; i <= outputs; ++i) maximum = std::min(maximum, physicalPixels(r, i));
    }
    // Pixel numbers start at 1 and are 16 bits on the wire.
    return static_cast<int>(std::clamp<long long>(maximum, 1, kPixelNumberMax));
}

void TestTab::testPixelNumberMaxSet() {
    QSpinBox* box = m_window.numboxTestPixelNumber;
    const int before = box->value();
    {
        // A lower maximum pulls the number down with it; the caller stores
        // and sends once, with the output it has just chosen.
        const Handlers::Detached detached(m_handlers);
        box->setMaximum(pixelMaximum());
    }
    if (box->value() != before && !m_refreshing) {
        if (model::TNodaluxCtrl* r = record()) r->TestSinglePixelNum = static_cast<std::uint16_t>(box->value());
    }
}

// --- colour ------------------------------------------------------------------------------

void TestTab::updateSetColourTest(int red, int green, int blue, int white) {
    model::TNodaluxCtrl* r = record();
    if (!r) return;
    const std::array<std::uint8_t, kColours> levels = {level(red), level(green), level(blue), level(white)};
    // Nothing new: this also ends the echo of the controls set below.
    if (levels == r->TestModeCols) return;
    r->TestModeCols = levels;
    refreshTestModeControls();
    sendWithSelection();
}

void TestTab::colPanelTestChange() {
    const QColor c = m_window.colPanelTest->color();
    updateSetColourTest(c.red(), c.green(), c.blue(), m_window.trackTestWhite->value());
}

void TestTab::testSliderChange() {
    config::TNodaluxConfig& w = m_window;
    updateSetColourTest(w.trackTestRed->value(), w.trackTestGreen->value(), w.trackTestBlue->value(),
                        w.trackTestWhite->value());
}

void TestTab::testEditBoxChange() {
    config::TNodaluxConfig& w = m_window;
    const int red = config::editToInt(w.editTestRed, 0, kLevelMax);
    const int green = config::editToInt(w.editTestGreen, 0, kLevelMax);
    const int blue = config::editToInt(w.editTestBlue, 0, kLevelMax);
    const int white = config::editToInt(w.editTestWhite, 0, kLevelMax);
    updateSetColourTest(red, green, blue, white);
}

// --- outputs -----------------------------------------------------------------------------

void TestTab::radioTestOutputsChange() {
    config::TNodaluxConfig& w = m_window;
    setRadioTestOutputsVisibility();
    model::TNodaluxCtrl* r = record();
    if (!r) return;
    r->TestOutputNum =
        w.radioTestSingleOutput->isChecked() ? static_cast<std::uint8_t>(w.numboxTestOutput->value()) : 0;
    testPixelNumberMaxSet();
    sendWithSelection();
}

void TestTab::btnTestOutputIncClick() { m_window.numboxTestOutput->stepUp(); }

void TestTab::btnTestOutputDecClick() { m_window.numboxTestOutput->stepDown(); }

void TestTab::numboxTestOutputChange() {
    testPixelNumberMaxSet();
    model::TNodaluxCtrl* r = record();
    if (!r) return;
    r->TestOutputNum = static_cast<std::uint8_t>(m_window.numboxTestOutput->value());
    sendWithSelection();
}

// --- single pixel ----------------------------------------------------------------------------

void TestTab::numboxTestPixelNumberChange() {
    model::TNodaluxCtrl* r = record();
    if (!r) return;
    r->TestSinglePixelNum = static_cast<std::uint16_t>(m_window.numboxTestPixelNumber->value());
    sendWithSelection();
}

void TestTab::btnTestPixelNumberDecClick() {
    tmrTestPixelAutoStop();
    m_window.numboxTestPixelNumber->stepDown();
}

void TestTab::btnTestPixelNumberIncClick() {
    tmrTestPixelAutoStop();
    QSpinBox* box = m_window.numboxTestPixelNumber;
    if (box->value() >= box->maximum()) {
        showMessage(kPixelMaximumMessage);
        return;
    }
    box->stepUp();
}

int TestTab::stepInterval() const {
    return static_cast<int>(std::lround(m_window.numboxTestPixelAutoTime->value() * kMillisecondsPerSecond));
}

void TestTab::btnTestPixelAutoStartClick() {
    config::TNodaluxConfig& w = m_window;
    if (w.numboxTestPixelNumber->value() >= w.numboxTestPixelNumber->maximum()) {
        showMessage(kPixelMaximumMessage);
        return;
    }
    // The first step comes one interval after the click.
    w.tmrTestPixelAuto->setInterval(stepInterval());
    w.tmrTestPixelAuto->start();
    w.btnTestPixelAutoStart->setEnabled(false);
    w.btnTestPixelAutoStop->setEnabled(true);
}

void TestTab::tmrTestPixelAutoTimer() {
    QSpinBox* box = m_window.numboxTestPixelNumber;
    // The box's change handler stores and sends the new pixel.
    box->stepUp();
    // The last pixel stays lit.
    if (box->value() >= box->maximum()) tmrTestPixelAutoStop();
}

void TestTab::numboxTestPixelAutoTimeChange() { m_window.tmrTestPixelAuto->setInterval(stepInterval()); }

void TestTab::tmrTestPixelAutoStop() {
    config::TNodaluxConfig& w = m_window;
    w.tmrTestPixelAuto->stop();
    w.btnTestPixelAutoStart->setEnabled(true);
    w.btnTestPixelAutoStop->setEnabled(false);
}

void TestTab::btnTestPixelAutoStopClick() { tmrTestPixelAutoStop(); }

bool TestTab::isStepping() const { return m_window.tmrTestPixelAuto->isActive(); }

void TestTab::btnTestPixelHelpClick() { showMessage(kPixelHelpMessage); }

// --- the list ------------------------------------------------------------------------------

void TestTab::comboTestModesChange() {
    tmrTestPixelAutoStop();
    m_window.enableDisableColourControls();
    if (m_window.comboTestModes->currentIndex() == kTestModeSinglePixel) {
        numboxTestPixelNumberChange();
    } else {
        sendWithSelection();
    }
}

// --- identify ------------------------------------------------------------------------------

void TestTab::btnIdentifyStartClick() { QorvIdentifySet(true, 0); }

void TestTab::btnIdentifyStopClick() { QorvIdentifySet(false, 0); }

// --- window --------------------------------------------------------------------------------

void TestTab::FormShow() {
    refreshTestModeControls();
    m_handlers.attach(m_listHandler);
    m_shown = true;
    // Below protocol 8 every test runs on all outputs. Checked here with the
    // handlers detached: opening the window sends nothing.
    const model::TNodaluxCtrl& r = m_window.recordView();
    if (r.QorvanaProtVer < kFirstOutputTestProtocol) {
        const Handlers::Detached detached(m_handlers);
        m_window.radioTestAllOutputs->setChecked(true);
        setRadioTestOutputsVisibility();
    }
}

void TestTab::FormClose() {
    m_handlers.detach(m_listHandler);
    m_shown = false;
    tmrTestPixelAutoStop();
}

} // namespace vantrel::testmode
