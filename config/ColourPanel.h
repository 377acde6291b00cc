#pragma once
// ColourPanel: an opaque colour picker (no alpha). A square on the left picks
// saturation (left to right) and brightness (bottom to top) for the current
// hue; a strip on the right picks the hue (red at the top); a bar under both
// shows the colour itself. The panel holds an
// RGB colour; a colour set in code is kept exactly as given.

#include <QColor>
#include <QFrame>
#include <QImage>

namespace vantrel::config {

class ColourPanel : public QFrame {
    Q_OBJECT
public:
    explicit ColourPanel(QWidget* parent = nullptr);

    QColor color() const { return m_colour; }
    // Sets the colour (alpha ignored); colorChanged follows when it differs.
    void setColor(const QColor& colour);

    // Where the two parts lie, in widget coordinates.
    QRect saturationValueArea() const;
    QRect hueArea() const;
    QRect swatchArea() const;

    QSize sizeHint() const override;

signals:
    // The RGB colour changed, by the user or in code.
    void colorChanged(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Drag { None, SaturationValue, Hue };

    void pickAt(const QPoint& pos);
    // Takes the colour of the current hue, saturation and brightness.
    void applyHsv();
    void rebuildSquare();
    void rebuildStrip();

    QColor m_colour{Qt::black};
    double m_hue = 0.0;        // 0..1, kept while the colour is a grey
    double m_saturation = 0.0; // 0..1
    double m_value = 0.0;      // 0..1
    Drag m_drag = Drag::None;
    QImage m_square;
    QImage m_strip;
    double m_squareHue = -1.0;
};

} // namespace vantrel::config
