#include "editor/DocumentText.h"

#include <QTextBlock>
#include <QTextDocument>

// Qt's public API reads a document's text in a line only by copying the whole of it
// (toRawText); block by block, every block costs walks of the document's tree. Its private
// header gives the runs in place, and is used where it is installed.
#if __has_include(<QtGui/private/qtextdocument_p.h>) && !defined(QB_DOCUMENT_PUBLIC_API_ONLY)
#include <QtGui/private/qtextdocument_p.h>
#define QB_DOCUMENT_RUNS_IN_PLACE 1
#endif

#include <algorithm>

namespace qb {

qsizetype documentTextLength(const QTextDocument &document)
{
    return document.characterCount() - 1;
}

#ifdef QB_DOCUMENT_RUNS_IN_PLACE

namespace {

// Passes runs on, gathering the short ones of one format into one.
class RunGatherer
{
public:
    using Visit = std::function<bool(QStringView run, int formatIndex)>;
    explicit RunGatherer(const Visit &visit) : m_visit(visit) { m_gathered.reserve(kCapacity); }

    bool add(QStringView run, int format)
    {
        const bool fits = format == m_format && m_gathered.size() + run.size() <= kCapacity;
        if ((!fits || run.size() >= kShort) && !flush())
            return false;
        if (run.size() >= kShort)
            return m_visit(run, format);
        m_gathered.append(run);
        m_format = format;
        return true;
    }
    bool flush()
    {
        if (m_gathered.isEmpty())
            return true;
        const bool goOn = m_visit(m_gathered, m_format);
        m_gathered.resize(0);
        return goOn;
    }

private:
    static constexpr qsizetype kCapacity = 64 * 1024;
    static constexpr qsizetype kShort = 4096;
    const Visit &m_visit;
    QString m_gathered;
    int m_format = -1;
};

} // namespace

void forEachTextRun(const QTextDocument &document, qsizetype from, qsizetype to,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    to = std::min(to, documentTextLength(document));
    if (from >= to)
        return;
    const QTextDocumentPrivate *d = QTextDocumentPrivate::get(&document);
    const QString buffer = d->buffer(); // shared, not copied
    const QStringView text(buffer);
    // Qt keeps a line and the paragraph break after it apart in its buffer, so the text comes
    // in runs of a line each. Neighbouring fragments of one format that lie one after the other
    // in the buffer go out as one run; short runs of one format are gathered into a bounded
    // buffer, so that `visit` is called a few times per 64 K units, not once per line.
    RunGatherer gather(visit);
    qsizetype runStart = 0;
    qsizetype runSize = 0;
    int runFormat = -1;
    auto it = d->find(int(from));
    // A fragment's position is a walk up the document's tree: taken once, then counted on.
    qsizetype position = it != d->end() ? it.position() : to;
    for (; it != d->end() && position < to; ++it) {
        const QTextFragmentData *fragment = it.value();
        const qsizetype fragmentSize = fragment->size_array[0];
        const qsizetype skipped = std::max<qsizetype>(from - position, 0);
        const qsizetype start = fragment->stringPosition + skipped;
        const qsizetype size = std::min(position + fragmentSize, to) - position - skipped;
        position += fragmentSize;
        if (runSize > 0 && fragment->format == runFormat && start == runStart + runSize) {
            runSize += size;
            continue;
        }
        if (runSize > 0 && !gather.add(text.sliced(runStart, runSize), runFormat))
            return;
        runStart = start;
        runSize = size;
        runFormat = fragment->format;
    }
    if (runSize > 0 && !gather.add(text.sliced(runStart, runSize), runFormat))
        return;
    gather.flush();
}

#else

void forEachTextRun(const QTextDocument &document, qsizetype from, qsizetype to,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    static constexpr char16_t kParagraphBreak = 0x2029;
    to = std::min(to, documentTextLength(document));
    for (QTextBlock block = document.findBlock(int(from)); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype start = std::max<qsizetype>(from, fragment.position());
            const qsizetype end = std::min<qsizetype>(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const QString text = fragment.text();
            if (!visit(QStringView(text).sliced(start - fragment.position(), end - start),
                       fragment.charFormatIndex()))
                return;
        }
        // A paragraph break has the format the next paragraph starts with.
        const qsizetype lineEnd = block.position() + block.length() - 1;
        if (lineEnd >= from && lineEnd < to &&
            !visit(QStringView(&kParagraphBreak, 1), block.next().charFormatIndex()))
            return;
    }
}

#endif

void forEachTextRun(const QTextDocument &document,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    forEachTextRun(document, 0, documentTextLength(document), visit);
}

} // namespace qb
