// The note's text and bytes read out of the editor: stand-ins as their originals, soft breaks
// left out.
#include "editor/DocumentText.h"
#include "editor/NoteText.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"

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
    forEachNoteRun(document, from, to, [&](QStringView run, int formatIndex) {
        const char16_t original = formatIndex >= 0 && formatIndex < originals.size()
                                      ? originals[formatIndex]
                                      : char16_t(0);
        if (original == 0 || original == kSoftBreakMark) {
            encoder.appendText(run);
            return encoder.ok();
        }
        // A stand-in writes its original. The characters between go as they are, a pair among
        // them whole: text typed after a stand-in may carry its mark after an undo.
        const QChar marked(standInFor(original));
        qsizetype done = 0;
        for (qsizetype i = 0; i <= run.size(); ++i) {
            if (i < run.size() && run[i] != marked)
                continue;
            if (i > done)
                encoder.appendText(run.sliced(done, i - done));
            if (i < run.size())
                encoder.appendOriginal(QStringView(&original, 1));
            done = i + 1;
        }
        return encoder.ok();
    });
}

NoteBytes noteBytesOf(const QTextDocument &document, const NoteFormat &format)
{
    NoteEncoder encoder(format);
    encoder.reserve(document.characterCount());
    encodeEditorText(document, encoder);
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
    forEachNoteRun(document, from, to, [&](QStringView run, int formatIndex) {
        const qsizetype start = result.text.size();
        const char16_t original = formatIndex >= 0 && formatIndex < originals.size()
                                      ? originals[formatIndex]
                                      : char16_t(0);
        result.text.append(run);
        if (original != 0 && original != kSoftBreakMark) {
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
