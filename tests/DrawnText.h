#pragma once

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QTextItem>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace qb::test {

// The contrast of two colours as WCAG 2 measures it: 4.5 is enough for text.
inline double contrastOf(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

// A dark desktop's palette: light text on dark ground, the other roles as Qt derives them.
inline QPalette darkPalette()
{
    QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    return dark;
}

// A piece of text a widget drew: the colour it was drawn in and the colour beneath it, as the
// screen shows them (a translucent colour mixed into what lies under it).
struct DrawnText
{
    QString text;
    QColor ink, ground;
    QRectF rect;
    double contrast() const { return contrastOf(ink, ground); }
};

// Records what is painted on it: every fill with its colour or picture, and every piece of text
// with its pen, each where it lands within the clip.
class DrawingRecorder final : public QPaintDevice
{
public:
    explicit DrawingRecorder(const QWidget &widget)
        : m_size(widget.size()), m_dpiX(widget.logicalDpiX()), m_dpiY(widget.logicalDpiY())
    {
    }
    QPaintEngine *paintEngine() const override { return &m_engine; }

    // The text drawn, each piece with the last fill beneath its middle, in the order painted.
    QList<DrawnText> texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return qRound(m_size.width() * 25.4 / m_dpiX);
        case PdmHeightMM:
            return qRound(m_size.height() * 25.4 / m_dpiY);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return m_dpiX;
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return m_dpiY;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    // A colour, or a picture (a style's cached bevel, say) laid on `target`.
    struct Fill
    {
        QRegion area;
        QColor colour;
        QImage picture;
        QRectF target, source;
        QColor at(QPoint point) const
        {
            if (picture.isNull())
                return colour;
            const QPointF inside =
                source.topLeft() +
                QPointF((point.x() - target.x()) * source.width() / target.width(),
                        (point.y() - target.y()) * source.height() / target.height());
            return picture.pixelColor(inside.toPoint());
        }
    };

    class Engine final : public QPaintEngine
    {
    public:
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }

        void updateState(const QPaintEngineState &state) override
        {
            const QPaintEngine::DirtyFlags dirty = state.state();
            if (dirty & DirtyTransform)
                m_transform = state.transform();
            if (dirty & DirtyPen)
                m_pen = state.pen();
            if (dirty & DirtyBrush)
                m_brush = state.brush();
            if (dirty & DirtyClipEnabled)
                m_clipEnabled = state.isClipEnabled();
            if (dirty & DirtyClipRegion)
                clip(state.clipOperation(), m_transform.map(state.clipRegion()));
            if (dirty & DirtyClipPath)
                clip(state.clipOperation(),
                     QRegion(m_transform.map(state.clipPath()).toFillPolygon().toPolygon()));
        }

        void drawRects(const QRectF *rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                fill(QRegion(m_transform.mapRect(rects[i]).toAlignedRect()));
        }
        void drawRects(const QRect *rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                fill(QRegion(m_transform.mapRect(rects[i])));
        }
        void drawPath(const QPainterPath &path) override
        {
            fill(QRegion(m_transform.map(path).toFillPolygon().toPolygon()));
        }
        void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
        {
            if (mode != PolylineMode)
                fill(QRegion(m_transform.map(QPolygonF(QList<QPointF>(points, points + count)))
                                 .toPolygon()));
        }
        void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override
        {
            const QRectF onDevice = m_transform.mapRect(target);
            QRegion area(onDevice.toAlignedRect());
            if (m_clipEnabled)
                area &= m_clip;
            if (!area.isEmpty() && !source.isEmpty())
                m_fills.append({area, {}, pixmap.toImage(), onDevice, source});
        }

        void drawTextItem(const QPointF &at, const QTextItem &item) override
        {
            const QRectF rect = m_transform.mapRect(QRectF(
                at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent()));
            const QPoint middle = rect.center().toPoint();
            if (m_clipEnabled && !m_clip.contains(middle))
                return;
            QColor ground = Qt::transparent;
            for (const Fill &fill : std::as_const(m_fills)) {
                if (fill.area.contains(middle))
                    ground = over(fill.at(middle), ground);
            }
            texts.append({item.text(), over(m_pen.color(), ground), ground, rect});
        }

        QList<DrawnText> texts;

    private:
        static QColor over(const QColor &top, const QColor &under)
        {
            const double a = top.alphaF();
            const auto mix = [a](double t, double u) { return t * a + u * (1 - a); };
            return QColor::fromRgbF(float(mix(top.redF(), under.redF())),
                                    float(mix(top.greenF(), under.greenF())),
                                    float(mix(top.blueF(), under.blueF())));
        }
        void clip(Qt::ClipOperation operation, const QRegion &region)
        {
            if (operation == Qt::NoClip) {
                m_clipEnabled = false;
                m_clip = {};
                return;
            }
            m_clip = operation == Qt::IntersectClip && m_clipEnabled ? m_clip & region : region;
            m_clipEnabled = true;
        }
        void fill(QRegion area)
        {
            if (m_brush.style() == Qt::NoBrush)
                return;
            if (m_clipEnabled)
                area &= m_clip;
            if (!area.isEmpty())
                m_fills.append({area, m_brush.color(), {}, {}, {}});
        }

        QTransform m_transform;
        QPen m_pen;
        QBrush m_brush;
        bool m_clipEnabled = false;
        QRegion m_clip;
        QList<Fill> m_fills;
    };

    QSize m_size;
    int m_dpiX, m_dpiY;
    mutable Engine m_engine;
};

// The text `widget` draws when it paints, as a user sees it.
inline QList<DrawnText> drawnText(QWidget *widget)
{
    DrawingRecorder recorder(*widget);
    widget->render(&recorder);
    return recorder.texts();
}

// The pieces of `widget`'s text that hold `part`.
inline QList<DrawnText> drawnText(QWidget *widget, const QString &part)
{
    QList<DrawnText> found = drawnText(widget);
    found.removeIf([&part](const DrawnText &text) { return !text.text.contains(part); });
    return found;
}

} // namespace qb::test
