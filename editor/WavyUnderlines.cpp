#include "editor/WavyUnderlines.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace qb {
namespace {

// A zigzag on whole pixels, drawn without antialiasing: crisp at any size, and quick.
void drawWave(QPainter &painter, qreal left, qreal right, qreal y, qreal amplitude)
{
    const qreal halfPeriod = 2 * amplitude;
    QPolygonF wave;
    bool up = true;
    for (qreal x = std::round(left); x < right; x += halfPeriod) {
        wave << QPointF(x, std::round(y + (up ? -amplitude : amplitude)));
        up = !up;
    }
    wave << QPointF(std::round(right), std::round(y + (up ? -amplitude : amplitude)));
    painter.drawPolyline(wave);
}

} // namespace

namespace {

// The first of `ranges` that ends inside `block` or after it.
QList<QTextCursor>::const_iterator firstIn(const QList<QTextCursor> &ranges,
                                           const QTextBlock &block)
{
    const int blockStart = block.position();
    return std::partition_point(ranges.cbegin(), ranges.cend(), [&](const QTextCursor &c) {
        return c.selectionEnd() <= blockStart;
    });
}

} // namespace

bool hasUnderlineIn(const QList<QTextCursor> &ranges, const QTextBlock &block)
{
    const auto range = firstIn(ranges, block);
    return range != ranges.cend() &&
           range->selectionStart() < block.position() + block.length() - 1;
}

void drawWavyUnderlines(QPainter &painter, const QTextBlock &block, QPointF origin,
                        const QList<QTextCursor> &ranges, const QColor &colour)
{
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return;
    const int blockStart = block.position();
    const int blockEnd = blockStart + block.length() - 1;
    auto range = firstIn(ranges, block);
    if (range == ranges.cend() || range->selectionStart() >= blockEnd)
        return;
    const QFontMetricsF metrics(block.charFormat().font());
    const qreal amplitude = std::max<qreal>(1, std::round(metrics.height() / 16));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 0));
    painter.setBrush(Qt::NoBrush);
    for (; range != ranges.cend() && range->selectionStart() < blockEnd; ++range) {
        const int from = std::max(range->selectionStart(), blockStart) - blockStart;
        const int to = std::min(range->selectionEnd(), blockEnd) - blockStart;
        if (to <= from)
            continue;
        // One stretch of wave for each display line the range runs over.
        for (int at = from; at < to;) {
            const QTextLine line = layout->lineForTextPosition(at);
            if (!line.isValid())
                break;
            const int lineEnd = std::min(to, line.textStart() + line.textLength());
            const qreal y =
                origin.y() + line.y() + line.ascent() + metrics.underlinePos() + amplitude;
            drawWave(painter, origin.x() + line.cursorToX(at), origin.x() + line.cursorToX(lineEnd),
                     y, amplitude);
            at = std::max(lineEnd, at + 1);
        }
    }
    painter.restore();
}

} // namespace qb
