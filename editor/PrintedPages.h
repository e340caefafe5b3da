#pragma once

#include <QString>

class QFont;
class QPagedPaintDevice;
class QTextDocument;

namespace qb {

// The line at the foot of page `page` of `pageCount`.
QString pageNumberText(int page, int pageCount);

// Prints the editor's text, `document`, on `device` (a printer, or a PDF writer), page after
// page: in `font`, each of the editor's lines wrapped at the page's width as the editor wraps
// it on screen (at a word boundary, or within a word longer than a line), never cut; `name` at
// the head of every page and pageNumberText at its foot. When the device names page ranges
// (the print dialog's "Pages"), only those pages are printed. Returns the number of pages the
// text takes, or 0 when nothing could be painted on the device.
int printPages(const QTextDocument &document, const QFont &font, const QString &name,
               QPagedPaintDevice &device);

} // namespace qb
