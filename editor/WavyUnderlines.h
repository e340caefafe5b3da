#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QTextCursor>

class QPainter;
class QTextBlock;

namespace qb {

// Whether a range of `ranges` (sorted by where they start) lies in `block`, in part at least.
bool hasUnderlineIn(const QList<QTextCursor> &ranges, const QTextBlock &block);

// Draws a wavy line of `colour` under the part of each range in `ranges` (sorted by where
// they start) that lies in `block`, laid out at `origin` in the painter's coordinates. Drawn
// over the text rather than formatted into its layout, a line holding a mark is laid out and
// painted once, as any other.
void drawWavyUnderlines(QPainter &painter, const QTextBlock &block, QPointF origin,
                        const QList<QTextCursor> &ranges, const QColor &colour);

} // namespace qb
