// The colour of the editor's stand-ins, and its change when the palette changes.
#include "editor/NoteText.h"
#include "editor/PaletteColours.h"
#include "editor/StandInFormats_p.h"

#include <QPalette>
#include <QTextDocument>

// A format changed through Qt's public interface is an edit of the document: it would mark the
// note changed and give Undo a step that brings the old colour back. Qt's private header lets
// the stand-ins' formats take the new colour in place, and is used where it is installed.
#if __has_include(<QtGui/private/qtextdocument_p.h>) && !defined(QB_DOCUMENT_PUBLIC_API_ONLY)
#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextformat_p.h>
#define QB_FORMATS_IN_PLACE 1
#endif

namespace qb {

QColor standInColour(QPalette palette)
{
    // One colour whether the editor is enabled and its window active or not: the stand-ins keep
    // the colour they were marked in until the palette changes.
    palette.setCurrentColorGroup(QPalette::Active);
    return fadedTextColour(palette);
}

bool recolourStandIns(QTextDocument &document, const QColor &colour)
{
#ifdef QB_FORMATS_IN_PLACE
    QTextFormatCollection &formats = *QTextDocumentPrivate::get(&document)->formatCollection();
    bool recoloured = false;
    for (int index = 0; index < formats.numFormats(); ++index) {
        QTextFormat &format = formats.formats[index];
        if (!format.hasProperty(kStandInProperty) || format.foreground().color() == colour)
            continue;
        format.setForeground(colour);
        // The format is found no more under its old look; a stand-in marked from now on may
        // take a format of its own, equal to this one, which does no harm.
        formats.hashes.removeIf([index](const auto &entry) { return entry.value() == index; });
        recoloured = true;
    }
    // The layout is left as it is: a colour changes no glyph, and the text reads its formats
    // when it is drawn.
    return recoloured;
#else
    // Shown again, the note takes the new colour.
    Q_UNUSED(document);
    Q_UNUSED(colour);
    return false;
#endif
}

} // namespace qb
