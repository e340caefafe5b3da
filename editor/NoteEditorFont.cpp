// The editor's font and its zoom: a part of NoteEditor kept apart from its editing.
#include "editor/NoteEditor.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QWheelEvent>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

QFont NoteEditor::defaultFont()
{
    QFont font(u"Courier New"_s);
    font.setPointSizeF(kNormalPointSize);
    // Liberation Mono has Courier New's metrics: lines break where they did.
    if (QFontInfo(font).family() != font.family())
        font.setFamily(u"Liberation Mono"_s);
    if (QFontInfo(font).family() != font.family()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(kNormalPointSize);
    }
    return font;
}

void NoteEditor::setBaseFont(const QFont &base)
{
    m_baseFont = base;
    if (m_baseFont.pointSizeF() <= 0)
        m_baseFont.setPointSizeF(kNormalPointSize);
    applyFont();
}

void NoteEditor::setZoom(int steps)
{
    steps = std::clamp(steps, -kZoomSteps, kZoomSteps);
    if (steps == m_zoom)
        return;
    m_zoom = steps;
    applyFont();
    Q_EMIT zoomChanged(m_zoom);
}

void NoteEditor::applyFont()
{
    QFont font = m_baseFont;
    font.setPointSizeF(std::max(kSmallestPointSize, m_baseFont.pointSizeF() + m_zoom));
    // The pictures of the stand-ins (U+240D, U+240A, U+2424, ...) are missing from many
    // fixed-pitch fonts, which would show empty boxes: they come from a font that has them.
    font.setFamilies({m_baseFont.family(), u"FreeMono"_s, u"DejaVu Sans Mono"_s});
    // Text that needs no shaping (Latin, Greek, Cyrillic, ...) is laid out without it, which
    // halves the time a long line takes at each key; scripts that need it are shaped still.
    // Kerning means nothing in a fixed-pitch font.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    setFont(font);
}

void NoteEditor::wheelEvent(QWheelEvent *event)
{
    // Ctrl+wheel zooms by whole steps, as the View menu does, rather than QPlainTextEdit's own
    // zoom, which the program would not know of.
    if (event->modifiers() & Qt::ControlModifier) {
        m_wheelAngle += event->angleDelta().y();
        const int steps = m_wheelAngle / QWheelEvent::DefaultDeltasPerStep;
        m_wheelAngle -= steps * QWheelEvent::DefaultDeltasPerStep;
        if (steps != 0)
            setZoom(m_zoom + steps);
        event->accept();
        return;
    }
    QPlainTextEdit::wheelEvent(event);
}

} // namespace qb
