#include "config/NodaluxAdvanced.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTabWidget>
#include <algorithm>

#include "config/Controls.h"
#include "config/EditChecks.h"
#include "config/NodaluxConfig.h"
#include "model/Rules.h"

namespace vantrel::config {

using namespace controls;

namespace {

constexpr int kMargin = 8;
constexpr int kHeadHeight = 24; // column heads above the rows of a page
constexpr int kEditHeight = 24;
constexpr int kEditTop = 4;     // an edit's offset within its 32-pixel row
constexpr int kMinColumn = 58;  // room for five digits
constexpr int kMaxEdit = 72;
constexpr int kColumnPadding = 12;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 26;
constexpr int kBottomGap = 6;
constexpr int kLastProtocolLegacy = 4;
constexpr int kSixteenOutputs = 16;

enum Column { ColUniv, ColChan, ColEndUniv, ColEndChan, ColNodes, ColNull, ColZig, ColGroup, ColBright, ColRev, ColCount };

const char* const kHeads[ColCount] = {"Start Universe", "Start Channel", "End Universe", "End Channel", "Num Pixels",
                                      "Null Pixels",    "Zig Zag",       "Group",        "Intensity Limit (%)",
                                      "Reversed"};
const char* const kHeadNames[ColCount] = {"StartUniverse", "StartChannel", "EndUniverse", "EndChannel", "NumPixels",
                                          "NullPixels",    "ZigZag",       "Group",       "Intensity",  "Reversed"};

// The colour of the stripes behind rows 1, 3, 5, ...: the window colour with
// a little of the highlight mixed in, so that the band shows in every style
// and the edits on it stay readable.
constexpr double kStripeTint = 0.12;
QColor stripeColour(const QWidget* w) {
    const QColor base = w->palette().color(QPalette::Window);
    const QColor tint = w->palette().color(QPalette::Highlight);
    auto mix = [](int a, int b) { return static_cast<int>(a + (b - a) * kStripeTint); };
    return QColor(mix(base.red(), tint.red()), mix(base.green(), tint.green()), mix(base.blue(), tint.blue()));
}

} // namespace

TNodaluxAdv::TNodaluxAdv(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NodaluxAdv"));
    setWindowTitle(QStringLiteral("Advanced Output Configuration"));

    TabControl1 = outputPages(this, TabItem1, TabItem2);

    buildRows();

    checkAutoChan = check(this, QStringLiteral("checkAutoChan"), QStringLiteral("Automatic Sequential Channels"), 0, 0,
                          10);
    radioTabVertical = radio(this, QStringLiteral("radioTabVertical"), QStringLiteral("Tab Down"), 0, 0, 10);
    radioTabRight = radio(this, QStringLiteral("radioTabRight"), QStringLiteral("Tab Right"), 0, 0, 10);
    radioTabVertical->setChecked(true);
    btnOK = button(this, QStringLiteral("btnOK"), QStringLiteral("OK"), 0, 0, kButtonWidth, kButtonHeight);
    btnCancel = button(this, QStringLiteral("btnCancel"), QStringLiteral("Cancel"), 0, 0, kButtonWidth, kButtonHeight);
    for (QWidget* w : std::initializer_list<QWidget*>{checkAutoChan, radioTabVertical, radioTabRight})
        w->resize(w->sizeHint().width(), kButtonHeight);

    connect(checkAutoChan, &QCheckBox::toggled, this, &TNodaluxAdv::checkAutoChanChange);
    connect(radioTabVertical, &QRadioButton::toggled, this, &TNodaluxAdv::radioTabOrderChange);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(kModalOK); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(kModalCancel); });

    initArrays();
    // As designed: every row shown on the first page.
    setHeights(kRowsPerTab);
    TabControl1->setTabVisible(1, false);
}

void TNodaluxAdv::buildRows() {
    const QFontMetrics fm(font());
    // Column widths follow the heads, so that every head reads in one line.
    int widths[ColCount];
    for (int c = 0; c < ColCount; ++c)
        widths[c] = std::max(kMinColumn, fm.horizontalAdvance(QString::fromLatin1(kHeads[c])) + kColumnPadding);
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("Output 32")) + kColumnPadding;
    int xs[ColCount];
    int x = kMargin + labelWidth;
    for (int c = 0; c < ColCount; ++c) {
        xs[c] = x;
        x += widths[c];
    }
    m_contentWidth = x + kMargin;

    QWidget* pages[] = {TabItem1, TabItem2};
    for (int p = 0; p < 2; ++p) {
        for (int c = 0; c < ColCount; ++c) {
            auto* head = label(pages[p], QStringLiteral("lblHead%1%2").arg(QLatin1String(kHeadNames[c])).arg(p + 1),
                               QString::fromLatin1(kHeads[c]), xs[c], 2, widths[c], kHeadHeight - 2);
            head->setAlignment(Qt::AlignCenter);
        }
    }

    for (int i = 0; i < kRows; ++i) {
        const auto r = static_cast<std::size_t>(i);
        QWidget* page = pages[i / kRowsPerTab];
        const int y = kHeadHeight + (i % kRowsPerTab) * kRowPitch;
        const QString n = QString::number(i + 1);
        if (i % 2 == 0) {
            // Created before the row's controls, so it lies behind them.
            auto* stripe = named(new QFrame(page), QStringLiteral("Panel%1").arg(i / 2 + 1));
            stripe->setGeometry(0, y, m_contentWidth, kRowPitch);
            stripe->setAutoFillBackground(true);
            QPalette pal = stripe->palette();
            pal.setColor(QPalette::Window, stripeColour(this));
            stripe->setPalette(pal);
            AdvPanel[r / 2] = stripe;
        }
        Row& row = m_row[r];
        row.label = label(page, QStringLiteral("Label") + n, QStringLiteral("Output ") + n, kMargin, y + kEditTop,
                          labelWidth, kEditHeight);
        auto cell = [&](int c, const QString& name) {
            const int w = std::min(widths[c] - 8, kMaxEdit);
            auto* e = edit(page, name + n, QString(), xs[c] + (widths[c] - w) / 2, y + kEditTop, w, kEditHeight);
            e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return e;
        };
        row.univ = cell(ColUniv, QStringLiteral("editUniv"));
        row.chan = cell(ColChan, QStringLiteral("editChan"));
        row.endUniv = cell(ColEndUniv, QStringLiteral("editEndUniv"));
        row.endChan = cell(ColEndChan, QStringLiteral("editEndChan"));
        row.nodes = cell(ColNodes, QStringLiteral("editNodes"));
        row.null = cell(ColNull, QStringLiteral("editNull"));
        row.zig = cell(ColZig, QStringLiteral("editZig"));
        // Row 4's grouping edit carries a capital E.
        row.group = cell(ColGroup, i == 3 ? QStringLiteral("EditGroup") : QStringLiteral("editGroup"));
        row.bright = cell(ColBright, QStringLiteral("editBright"));
        row.rev = check(page, QStringLiteral("switchRev") + n, QString(), xs[ColRev] + widths[ColRev] / 2 - 10,
                        y + kEditTop, 24, kEditHeight);
        // The end columns are computed, never typed; their text stays as
        // readable as the other columns'.
        for (QLineEdit* e : {row.endUniv, row.endChan}) {
            e->setEnabled(false);
            e->setFocusPolicy(Qt::NoFocus);
            QPalette pal = e->palette();
            pal.setColor(QPalette::Disabled, QPalette::Text, pal.color(QPalette::Active, QPalette::Text));
            e->setPalette(pal);
        }

        connect(row.univ, &QLineEdit::editingFinished, this, [this, i] { startUnivExit(i + 1); });
        connect(row.chan, &QLineEdit::editingFinished, this, [this, i] { startChanExit(i + 1); });
        connect(row.nodes, &QLineEdit::editingFinished, this, [this, i] { numNodesExit(i + 1); });
        connect(row.null, &QLineEdit::editingFinished, this, [this, i] { nullPixExit(i + 1); });
        connect(row.zig, &QLineEdit::editingFinished, this, [this, i] { zigExit(i + 1); });
        connect(row.group, &QLineEdit::editingFinished, this, [this, i] { groupExit(i + 1); });
        connect(row.bright, &QLineEdit::editingFinished, this, [this, i] { intensityExit(i + 1); });
    }
}

void TNodaluxAdv::initArrays() {
    for (std::size_t r = 0; r < m_row.size(); ++r) {
        const Row& row = m_row[r];
        AdvLBL[r] = row.label;
        universes[r] = row.univ;
        channels[r] = row.chan;
        end_universes[r] = row.endUniv;
        end_channels[r] = row.endChan;
        nodes[r] = row.nodes;
        null[r] = row.null;
        zig[r] = row.zig;
        grouping[r] = row.group;
        brightness[r] = row.bright;
        reverse[r] = row.rev;
    }
}

// --- layout --------------------------------------------------------------------------

void TNodaluxAdv::setHeights(int rowsShown) {
    const int extra = kRowPitch * (std::clamp(rowsShown, 1, kRowsPerTab) - 1);
    const int tabHeight = kBaseTabHeight + extra;
    const int clientHeight = kBaseClientHeight + extra;
    // The page holds the heads and the rows; the tab bar and frame come on top.
    const int tabWidth = m_contentWidth + 2 * kMargin;
    TabControl1->setGeometry(kMargin, kMargin, tabWidth, tabHeight);
    setFixedSize(tabWidth + 2 * kMargin, clientHeight);
    layoutBottomRow();
}

void TNodaluxAdv::layoutBottomRow() {
    if (!btnOK) return;
    const int y = height() - kButtonHeight - kBottomGap;
    int x = kMargin;
    for (QWidget* w : std::initializer_list<QWidget*>{checkAutoChan, radioTabVertical, radioTabRight}) {
        w->move(x, y);
        x += w->width() + 2 * kMargin;
    }
    btnCancel->move(width() - kMargin - kButtonWidth, y);
    btnOK->move(width() - 2 * kMargin - 2 * kButtonWidth, y);
}

void TNodaluxAdv::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutBottomRow();
}

// --- fill ------------------------------------------------------------------------------

void TNodaluxAdv::setGroupingAvailable(bool available) { m_groupingAvailable = available; }

void TNodaluxAdv::FillAdvancedForm(const model::TNodaluxCtrl& record) {
    initArrays();
    const int n = std::min<int>(record.NumUsableOutputs, kRows);
    m_rows = n;

    TabControl1->setTabEnabled(1, true);
    TabControl1->setTabVisible(1, false);

    for (int i = 0; i < kRows; ++i) {
        const auto r = static_cast<std::size_t>(i);
        const Row& row = m_row[r];
        const bool used = i < n;
        QWidget* const cells[] = {row.label, row.univ, row.chan, row.endUniv, row.endChan, row.nodes,
                                  row.null,  row.zig,  row.group, row.bright, row.rev};
        for (QWidget* w : cells) w->setVisible(used);
        if (i % 2 == 0) AdvPanel[r / 2]->setVisible(used);
        for (QWidget* w : std::initializer_list<QWidget*>{row.univ, row.chan, row.nodes, row.null, row.zig,
                                                          row.group, row.bright, row.rev})
            w->setEnabled(used);
        if (!used) continue;

        row.univ->setText(QString::number(record.AdvUniv[r]));
        row.chan->setText(QString::number(record.AdvChan[r]));
        row.nodes->setText(QString::number(record.NumNodes[r]));
        row.null->setText(QString::number(record.AdvNull[r]));
        row.zig->setText(QString::number(record.AdvZig[r]));
        row.group->setText(QString::number(record.Grouping[r]));
        row.bright->setText(QString::number(record.Brightness[r]));
        row.rev->setChecked(record.AdvReverse[r] == 1);
        if (!m_groupingAvailable) {
            row.group->setText(QStringLiteral("1"));
            row.bright->setText(QString::number(kMaxIntensity));
            row.group->setEnabled(false);
            row.bright->setEnabled(false);
        }
    }

    if (n >= 1) setHeights(std::min(n, kRowsPerTab));
    if (n > kRowsPerTab) TabControl1->setTabVisible(1, true);

    if (n > kRowsPerTab) {
        TabControl1->setTabText(0, QStringLiteral("Outputs 1 - 16"));
        TabControl1->setTabText(1, n == kRowsPerTab + 1 ? QStringLiteral("Output 17")
                                                        : QStringLiteral("Outputs 17 - %1").arg(n));
    } else {
        TabControl1->setTabText(0, n >= 2 ? QStringLiteral("Outputs 1 - %1").arg(n) : QStringLiteral("Output 1"));
    }
}

// --- context -----------------------------------------------------------------------------

const model::TNodaluxCtrl& TNodaluxAdv::record() const {
    static const model::TNodaluxCtrl empty{};
    return m_config ? m_config->recordView() : empty;
}

bool TNodaluxAdv::rgbw() const { return m_config && m_config->isRgbw(); }

int TNodaluxAdv::maxPixelsPerOutput() const { return m_config ? m_config->MaxPixelsPerOutput() : 0; }

bool TNodaluxAdv::legacyProtocol() const { return record().QorvanaProtVer <= kLastProtocolLegacy; }

int TNodaluxAdv::maxPixelsLessOne() const { return std::max(static_cast<int>(record().MaxPixels) - 1, 0); }

long long TNodaluxAdv::valueOf(const QLineEdit* edit, long long fallback) {
    return parseWholeNumber(edit->text()).value_or(fallback);
}

// --- ends and chaining ------------------------------------------------------------------------

void TNodaluxAdv::updateEnds() {
    const bool chain = checkAutoChan->isChecked();
    const bool w = rgbw();
    model::UnivChan prevEnd{};
    for (int i = 0; i < m_rows; ++i) {
        const Row& row = m_row[static_cast<std::size_t>(i)];
        if (chain && i >= 1) {
            const model::UnivChan start = model::nextChainedStart(prevEnd, w);
            row.univ->setText(QString::number(start.universe));
            row.chan->setText(QString::number(start.channel));
        }
        const auto clampLong = [](long long v) {
            return static_cast<long>(std::clamp<long long>(v, std::numeric_limits<int>::min(),
                                                           std::numeric_limits<int>::max()));
        };
        // A Group of 0 (as a record may carry it) counts as 1.
        const model::UnivChan end = model::endUniverseChannel(
            clampLong(valueOf(row.univ, 1)), clampLong(valueOf(row.chan, 1)), clampLong(valueOf(row.nodes, 1)),
            clampLong(valueOf(row.group, 1)), w);
        row.endUniv->setText(QString::number(end.universe));
        row.endChan->setText(QString::number(end.channel));
        prevEnd = end;
    }
}

void TNodaluxAdv::ShowHideAutoChan() {
    if (m_rows < 2) return;
    const bool editable = !checkAutoChan->isChecked();
    for (int i = 1; i < m_rows; ++i) {
        const Row& row = m_row[static_cast<std::size_t>(i)];
        row.univ->setEnabled(editable);
        row.chan->setEnabled(editable);
    }
}

void TNodaluxAdv::checkAutoChanChange() {
    ShowHideAutoChan();
    if (checkAutoChan->isChecked()) updateEnds();
}

// --- keyboard order ----------------------------------------------------------------------------

QList<QLineEdit*> TNodaluxAdv::tabSequence() const {
    QList<QLineEdit*> seq;
    auto column = [this](int i, int c) -> QLineEdit* {
        const Row& row = m_row[static_cast<std::size_t>(i)];
        QLineEdit* const cells[] = {row.univ, row.chan, row.nodes, row.null, row.zig, row.group, row.bright};
        return cells[c];
    };
    constexpr int kTabColumns = 7;
    if (radioTabVertical->isChecked()) {
        for (int c = 0; c < kTabColumns; ++c)
            for (int i = 0; i < m_rows; ++i) seq << column(i, c);
    } else {
        for (int i = 0; i < m_rows; ++i)
            for (int c = 0; c < kTabColumns; ++c) seq << column(i, c);
    }
    return seq;
}

void TNodaluxAdv::updateTabOrders() {
    QList<QWidget*> chain;
    for (QLineEdit* e : tabSequence()) chain << e;
    // After the sequence: the direction switches, then the window's own controls.
    for (int i = 0; i < m_rows; ++i) chain << m_row[static_cast<std::size_t>(i)].rev;
    chain << checkAutoChan << radioTabVertical << radioTabRight << btnOK << btnCancel;
    for (qsizetype k = 1; k < chain.size(); ++k) QWidget::setTabOrder(chain[k - 1], chain[k]);
}

void TNodaluxAdv::radioTabOrderChange() { updateTabOrders(); }

// --- exit rules -----------------------------------------------------------------------------------

void TNodaluxAdv::startUnivExit(int row) {
    if (row < 1 || row > kRows) return;
    checkIntegerEdit(m_row[static_cast<std::size_t>(row - 1)].univ, 1, 1, kMaxUniverse);
    updateEnds();
}

void TNodaluxAdv::startChanExit(int row) {
    if (row < 1 || row > kRows) return;
    QLineEdit* e = m_row[static_cast<std::size_t>(row - 1)].chan;
    long long v = 1;
    if (const auto parsed = parseWholeNumber(e->text())) {
        v = *parsed;
    } else {
        e->setText(QStringLiteral("1"));
    }
    const long clamped =
        static_cast<long>(std::clamp<long long>(v, std::numeric_limits<long>::min(), std::numeric_limits<long>::max()));
    const QString aligned = QString::number(model::alignStartChannel(clamped, rgbw()));
    if (e->text() != aligned) e->setText(aligned);
    updateEnds();
}

void TNodaluxAdv::numNodesExit(int row) {
    if (row < 1 || row > kRows) return;
    checkIntegerEdit(m_row[static_cast<std::size_t>(row - 1)].nodes, 1, 0, maxPixelsPerOutput());
    updateEnds();
}

void TNodaluxAdv::nullPixExit(int row) {
    if (row < 1 || row > kRows) return;
    const Row& r = m_row[static_cast<std::size_t>(row - 1)];
    if (legacyProtocol()) {
        checkIntegerEdit(r.null, 0, 0, kLegacyMaxNull);
        return;
    }
    const long long nullPixels = checkIntegerEdit(r.null, 0, 0, std::min(maxPixelsLessOne(), kMaxNull));
    // The null pixels come out of the output's pixel budget.
    const long long room = static_cast<long long>(record().MaxPixels) - nullPixels;
    if (const auto pixels = parseWholeNumber(r.nodes->text()); pixels && *pixels > room) {
        r.nodes->setText(QString::number(room));
        updateEnds();
    }
}

void TNodaluxAdv::zigExit(int row) {
    if (row < 1 || row > kRows) return;
    int bound = maxPixelsLessOne();
    if (legacyProtocol()) bound = record().NumStrings == kSixteenOutputs ? kLegacyMaxZig16 : kLegacyMaxZig;
    checkIntegerEdit(m_row[static_cast<std::size_t>(row - 1)].zig, 0, 0, bound);
}

void TNodaluxAdv::groupExit(int row) {
    if (row < 1 || row > kRows) return;
    // A group is at least one pixel, also when the pixel limit reads 0.
    checkIntegerEdit(m_row[static_cast<std::size_t>(row - 1)].group, 1, 1, std::max(maxPixelsPerOutput(), 1));
    updateEnds();
}

void TNodaluxAdv::intensityExit(int row) {
    if (row < 1 || row > kRows) return;
    checkIntegerEdit(m_row[static_cast<std::size_t>(row - 1)].bright, kMaxIntensity, 1, kMaxIntensity);
}

// --- window ---------------------------------------------------------------------------------------

void TNodaluxAdv::FormShow() {
    updateEnds();
    ShowHideAutoChan();
    updateTabOrders();
}

void TNodaluxAdv::reject() { done(kModalCancel); }

} // namespace vantrel::config
