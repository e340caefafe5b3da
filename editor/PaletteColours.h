#pragma once

#include <QColor>

#include <functional>

class QPalette;
class QWidget;

namespace qb {

// The colours the program draws with beyond the palette's own roles, each worked out from the
// palette it is drawn with, so that it follows a light or a dark desktop and stays readable.

// The contrast of two colours as WCAG 2 measures it, from 1 to 21: text wants 4.5 at least.
double contrastRatio(const QColor &a, const QColor &b);
// `from` moved `amount` (0 to 1) of the way to `to`.
QColor blended(const QColor &from, const QColor &to, double amount);
// `wanted` as it shows on `background` (a translucent colour mixed into it), its lightness moved
// as little as it takes to reach `minimumContrast` against it: lighter or darker, whichever is
// nearer; where neither reaches it, the one that comes closest.
QColor readableColour(const QColor &wanted, const QColor &background, double minimumContrast = 4.5);

// Text of less weight than the text around it, on Base: the text faded toward Base while it
// stays readable.
QColor fadedTextColour(const QPalette &palette);
// A line a diff shows removed (a red) or added (a green), on Base.
QColor removedLineColour(const QPalette &palette);
QColor addedLineColour(const QPalette &palette);
// The background that marks a stretch of text (a match, a clash) drawn on `background`: the
// highlight faded toward Base, apart enough from `background` to be seen.
QColor markColour(const QPalette &palette, const QColor &background);
// The palette's text, readable on `background`.
QColor textColourOn(const QPalette &palette, const QColor &background);

// Calls `recolour` whenever the palette of `widget` has changed (the desktop turning dark, say),
// for as long as `widget` lives: for colours kept in what it shows.
void followPalette(QWidget &widget, std::function<void()> recolour);

} // namespace qb
