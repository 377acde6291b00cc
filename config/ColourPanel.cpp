#include "config/ColourPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace vantrel::config {

namespace {

constexpr int kStripWidth = 18;
constexpr int kGap = 6;
// The bar under both parts shows the colour itself.
constexpr int kSwatchHeight = 18;
constexpr int kMarkerRadius = 4;
constexpr int kDesignWidth = 150;
constexpr int kDesignHeight = 178;
// The hue runs from 0 at the top to just below a full turn at the bottom.
constexpr double kLargestHue = 359.0 / 360.0;
// Below this brightness the marker is drawn white, above it black.
constexpr double kDarkMarker = 0.55;

double fraction(int offset, int span) {
    if (span <= 1) return 0.0;
    return std::clamp(static_cast<double>(offset) / (span - 1), 0.0, 1.0);
}

} // namespace

ColourPanel::ColourPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QSize ColourPanel::sizeHint() const { return {kDesignWidth, kDesignHeight}; }

QRect ColourPanel::saturationValueArea() const {
    const QRect r = contentsRect();
    return {r.left(), r.top(), std::max(1, r.width() - kStripWidth - kGap),
            std::max(1, r.height() - kSwatchHeight - kGap)};
}

QRect ColourPanel::hueArea() const {
    const QRect r = contentsRect();
    return {r.right() - kStripWidth + 1, r.top(), kStripWidth, saturationValueArea().height()};
}

QRect ColourPanel::swatchArea() const {
    const QRect r = contentsRect();
    return {r.left(), r.bottom() - kSwatchHeight + 1, r.width(), kSwatchHeight};
}

void ColourPanel::setColor(const QColor& colour) {
    const QColor rgb = QColor(colour.red(), colour.green(), colour.blue());
    if (rgb == m_colour) return;
    m_colour = rgb;
    const QColor hsv = rgb.toHsv();
    // A grey has no hue: keep the strip where it was.
    if (hsv.hsvHueF() >= 0.0) m_hue = std::min<double>(hsv.hsvHueF(), kLargestHue);
    m_saturation = hsv.hsvSaturationF();
    m_value = hsv.valueF();
    update();
    emit colorChanged(m_colour);
}

void ColourPanel::applyHsv() {
    const QColor c = QColor::fromHsvF(static_cast<float>(m_hue), static_cast<float>(m_saturation),
                                      static_cast<float>(m_value))
                         .toRgb();
    const QColor rgb(c.red(), c.green(), c.blue());
    update();
    if (rgb == m_colour) return;
    m_colour = rgb;
    emit colorChanged(m_colour);
}

void ColourPanel::pickAt(const QPoint& pos) {
    if (m_drag == Drag::SaturationValue) {
        const QRect a = saturationValueArea();
        m_saturation = fraction(pos.x() - a.left(), a.width());
        m_value = 1.0 - fraction(pos.y() - a.top(), a.height());
    } else if (m_drag == Drag::Hue) {
        const QRect a = hueArea();
        m_hue = fraction(pos.y() - a.top(), a.height()) * kLargestHue;
    } else {
        return;
    }
    applyHsv();
}

void ColourPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (saturationValueArea().contains(pos)) {
        m_drag = Drag::SaturationValue;
    } else if (hueArea().contains(pos)) {
        m_drag = Drag::Hue;
    } else {
        m_drag = Drag::None;
    }
    pickAt(pos);
}

void ColourPanel::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) pickAt(event->position().toPoint());
}

void ColourPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_drag = Drag::None;
}

void ColourPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_square = QImage();
    m_strip = QImage();
}

void ColourPanel::rebuildSquare() {
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(saturationValueArea().size()) * ratio).toSize();
    m_square = QImage(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_square.scanLine(y));
        const auto v = static_cast<float>(1.0 - fraction(y, size.height()));
        for (int x = 0; x < size.width(); ++x)
            line[x] =
                QColor::fromHsvF(static_cast<float>(m_hue), static_cast<float>(fraction(x, size.width())), v).rgb();
    }
    m_square.setDevicePixelRatio(ratio);
    m_squareHue = m_hue;
}

void ColourPanel::rebuildStrip() {
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(hueArea().size()) * ratio).toSize();
    m_strip = QImage(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const auto h = static_cast<float>(fraction(y, size.height()) * kLargestHue);
        auto* line = reinterpret_cast<QRgb*>(m_strip.scanLine(y));
        const QRgb c = QColor::fromHsvF(h, 1.0f, 1.0f).rgb();
        std::fill(line, line + size.width(), c);
    }
    m_strip.setDevicePixelRatio(ratio);
}

void ColourPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect sv = saturationValueArea();
    const QRect hue = hueArea();
    if (m_square.deviceIndependentSize().toSize() != sv.size() ||
        m_square.devicePixelRatio() != devicePixelRatioF() || m_squareHue != m_hue)
        rebuildSquare();
    if (m_strip.deviceIndependentSize().toSize() != hue.size() || m_strip.devicePixelRatio() != devicePixelRatioF())
        rebuildStrip();

    QPainter p(this);
    p.setOpacity(isEnabled() ? 1.0 : 0.5);
    p.drawImage(sv.topLeft(), m_square);
    p.drawImage(hue.topLeft(), m_strip);
    const QRect swatch = swatchArea();
    p.fillRect(swatch, m_colour);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(swatch.adjusted(0, 0, -1, -1));

    p.setRenderHint(QPainter::Antialiasing);
    const QPointF marker(sv.left() + m_saturation * (sv.width() - 1), sv.top() + (1.0 - m_value) * (sv.height() - 1));
    p.setPen(QPen(m_value < kDarkMarker ? Qt::white : Qt::black, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(marker, kMarkerRadius, kMarkerRadius);

    const double hueY = hue.top() + (m_hue / kLargestHue) * (hue.height() - 1);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(hue.left(), hueY - 2, hue.width() - 1, 4));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(QRectF(hue.left() + 1, hueY - 1, hue.width() - 3, 2));
}

} // namespace vantrel::config
