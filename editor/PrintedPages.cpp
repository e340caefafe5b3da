#include "editor/PrintedPages.h"

#include <QFontMetricsF>
#include <QPageRanges>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// A page in the device's pixels: the head line and a blank, the body, a blank and the foot line.
struct PageFrame
{
    qreal width = 0;
    qreal height = 0;
    qreal pitch = 0; // from one line of text to the next
    int bodyLines = 1;
    qreal bodyTop() const { return 2 * pitch; }
};

PageFrame frameOf(const QPagedPaintDevice &device, const QFont &font)
{
    PageFrame frame;
    frame.width = device.width();
    frame.height = device.height();
    frame.pitch = QFontMetricsF(font, &device).lineSpacing();
    frame.bodyLines = std::max(1, int((frame.height - 4 * frame.pitch) / frame.pitch));
    return frame;
}

// The editor's way of laying its lines out, for the device: its tab stops as many spaces wide as
// on screen, and a line that does not fit always wrapped, within a word if it must.
QTextOption printedOption(const QTextDocument &document, const QFont &font,
                          const QPaintDevice &device)
{
    QTextOption option = document.defaultTextOption();
    const qreal screenSpace = QFontMetricsF(font).horizontalAdvance(u' ');
    const qreal deviceSpace = QFontMetricsF(font, &device).horizontalAdvance(u' ');
    if (screenSpace > 0)
        option.setTabStopDistance(option.tabStopDistance() / screenSpace * deviceSpace);
    if (option.wrapMode() != QTextOption::WrapAnywhere)
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// One of the editor's lines, wrapped at the page's width.
class WrappedLine
{
public:
    WrappedLine(const QString &text, const QFont &font, const QPaintDevice &device,
                const QTextOption &option, qreal width)
        : m_layout(text, font, &device)
    {
        m_layout.setTextOption(option);
        m_layout.beginLayout();
        for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine())
            line.setLineWidth(width);
        m_layout.endLayout();
    }

    // An empty line takes a line of the page too.
    int count() const { return std::max(1, m_layout.lineCount()); }
    // Paints its line `index` with its top at `top`.
    void draw(QPainter &painter, int index, qreal top) const
    {
        if (index >= m_layout.lineCount())
            return;
        const QTextLine line = m_layout.lineAt(index);
        line.draw(&painter, QPointF(0, top - line.y()));
    }

private:
    QTextLayout m_layout;
};

void paintHeadAndFoot(QPainter &painter, const PageFrame &frame, const QString &name, int page,
                      int pageCount)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const int oneLine = Qt::AlignTop | Qt::TextSingleLine;
    painter.drawText(QRectF(0, 0, frame.width, frame.pitch), Qt::AlignLeft | oneLine,
                     metrics.elidedText(name, Qt::ElideMiddle, frame.width));
    // Half a point wide, whatever the device's resolution.
    painter.save();
    painter.setPen(QPen(Qt::black, painter.device()->logicalDpiY() / 144.0));
    const qreal rule = 1.5 * frame.pitch;
    painter.drawLine(QLineF(0, rule, frame.width, rule));
    painter.restore();
    painter.drawText(QRectF(0, frame.height - frame.pitch, frame.width, frame.pitch),
                     Qt::AlignHCenter | oneLine, pageNumberText(page, pageCount));
}

} // namespace

QString pageNumberText(int page, int pageCount)
{
    return u"Page %1 of %2"_s.arg(page).arg(pageCount);
}

int printPages(const QTextDocument &document, const QFont &font, const QString &name,
               QPagedPaintDevice &device)
{
    const PageFrame frame = frameOf(device, font);
    const QTextOption option = printedOption(document, font, device);
    const auto wrapped = [&](const QTextBlock &block) {
        return WrappedLine(block.text(), font, device, option, frame.width);
    };
    // The lines are laid out twice, to number the pages before the first is painted, rather
    // than held all at once.
    qint64 lines = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines += wrapped(block).count();
    const int pageCount = int(std::max<qint64>(1, (lines + frame.bodyLines - 1) / frame.bodyLines));
    const QPageRanges ranges = device.pageRanges();
    const auto printed = [&ranges](int page) { return ranges.isEmpty() || ranges.contains(page); };

    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    painter.setFont(font);
    int page = 0;
    int row = frame.bodyLines; // the next line of the page: none left before the first
    bool painting = false;     // a page was started on the device
    const auto nextPage = [&] {
        ++page;
        row = 0;
        if (!printed(page))
            return;
        if (painting)
            device.newPage();
        painting = true;
        paintHeadAndFoot(painter, frame, name, page, pageCount);
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const WrappedLine line = wrapped(block);
        for (int i = 0; i < line.count(); ++i, ++row) {
            if (row == frame.bodyLines)
                nextPage();
            if (printed(page))
                line.draw(painter, i, frame.bodyTop() + row * frame.pitch);
        }
    }
    painter.end();
    return pageCount;
}

} // namespace qb
