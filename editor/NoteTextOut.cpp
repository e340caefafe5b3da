// The note's text and bytes read out of the editor: stand-ins as their originals, soft breaks
// left out.
#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace qb {

QList<char16_t> standInOriginals(const QTextDocument &document)
{
    const QList<QTextFormat> formats = document.allFormats();
    QList<char16_t> originals;
    for (qsizetype i = 0; i < formats.size(); ++i) {
        const QVariant original = formats[i].property(kStandInProperty);
        const bool soft = formats[i].hasProperty(kSoftBreakProperty);
        if (!original.isValid() && !soft)
            continue;
        if (originals.isEmpty())
            originals.resize(formats.size());
        originals[i] = soft ? kSoftBreakMark : static_cast<char16_t>(original.toUInt());
    }
    return originals;
}

void encodeEditorText(const QTextDocument &document, NoteEncoder &encoder)
{
    encodeEditorText(document, 0, documentTextLength(document), encoder);
}

void encodeEditorText(const QTextDocument &document, qsizetype from, qsizetype to,
                      NoteEncoder &encoder)
{
    const QList<char16_t> originals = standInOriginals(document);
    forEachTextRun(document, from, to, [&](QStringView run, int formatIndex) {
        const char16_t original = formatIndex >= 0 && formatIndex < originals.size()
                                      ? originals[formatIndex]
                                      : char16_t(0);
        if (original == 0) {
            encoder.appendText(run);
            return encoder.ok();
        }
        // A stand-in writes its original, a soft break nothing. The characters between go as
        // they are, a pair among them whole: text typed after a mark may carry it after an undo,
        // or after a soft break.
        const bool soft = original == kSoftBreakMark;
        const QChar marked = soft ? QChar(QChar::ParagraphSeparator) : QChar(standInFor(original));
        qsizetype done = 0;
        for (qsizetype i = 0; i <= run.size(); ++i) {
            if (i < run.size() && run[i] != marked)
                continue;
            if (i > done)
                encoder.appendText(run.sliced(done, i - done));
            if (i < run.size() && !soft)
                encoder.appendOriginal(QStringView(&original, 1));
            done = i + 1;
        }
        return encoder.ok();
    });
}

NoteBytes noteBytesFromEditor(const QPlainTextEdit &editor, const NoteFormat &format)
{
    NoteEncoder encoder(format);
    encoder.reserve(editor.document()->characterCount());
    encodeEditorText(*editor.document(), encoder);
    NoteBytes result;
    if (encoder.ok())
        result.bytes = encoder.takeBytes();
    else
        result.unencodable = encoder.firstUnencodable();
    return result;
}

DecodedNote noteTextOf(const QTextDocument &document, int from, int to)
{
    DecodedNote result;
    const QList<char16_t> originals = standInOriginals(document);
    forEachTextRun(document, from, to, [&](QStringView run, int formatIndex) {
        const qsizetype start = result.text.size();
        const char16_t original = formatIndex >= 0 && formatIndex < originals.size()
                                      ? originals[formatIndex]
                                      : char16_t(0);
        if (original == kSoftBreakMark) {
            for (const QChar c : run) {
                if (c != QChar::ParagraphSeparator)
                    result.text.append(c);
            }
            return true;
        }
        result.text.append(run);
        if (original != 0) {
            for (qsizetype i = 0; i < run.size(); ++i) {
                if (run[i] == QChar(standInFor(original)))
                    result.standIns.append({start + i, original});
            }
        }
        return true;
    });
    result.text.replace(QChar::ParagraphSeparator, u'\n');
    return result;
}

} // namespace qb
