#include "editor/DocumentText.h"

#include <QTextBlock>
#include <QTextDocument>

// Qt's public API reads a document's text in a line only by copying the whole of it
// (toRawText); block by block, every block costs walks of the document's tree. Its private
// header gives the runs in place, and is used where it is installed.
#if __has_include(<QtGui/private/qtextdocument_p.h>)
#include <QtGui/private/qtextdocument_p.h>
#define QB_DOCUMENT_RUNS_IN_PLACE 1
#endif

#include <algorithm>

namespace qb {

#ifdef QB_DOCUMENT_RUNS_IN_PLACE

void ForEachTextRun(const QTextDocument &document,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    const QTextDocumentPrivate *d = QTextDocumentPrivate::get(&document);
    const QString buffer = d->buffer(); // shared, not copied
    const QStringView text(buffer);
    // Neighbouring fragments of one format that lie one after the other in the buffer, as the
    // text of a note just read does, go out as one run.
    qsizetype runStart = 0;
    qsizetype runSize = 0;
    int runFormat = -1;
    // The document's own last paragraph separator is no part of its text.
    int remaining = d->length() - 1;
    for (auto it = d->begin(); it != d->end() && remaining > 0; ++it) {
        const QTextFragmentData *fragment = it.value();
        const int size = std::min(int(fragment->size_array[0]), remaining);
        remaining -= size;
        if (runSize > 0 && fragment->format == runFormat &&
            fragment->stringPosition == runStart + runSize) {
            runSize += size;
            continue;
        }
        if (runSize > 0 && !visit(text.sliced(runStart, runSize), runFormat))
            return;
        runStart = fragment->stringPosition;
        runSize = size;
        runFormat = fragment->format;
    }
    if (runSize > 0)
        visit(text.sliced(runStart, runSize), runFormat);
}

#else

void ForEachTextRun(const QTextDocument &document,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    static constexpr char16_t ParagraphBreak = 0x2029;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin() && !visit(QStringView(&ParagraphBreak, 1), -1))
            return;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!visit(fragment.text(), fragment.charFormatIndex()))
                return;
        }
    }
}

#endif

} // namespace qb
