#include "editor/NoteDocument.h"

#include "editor/NoteBytesCache.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"

#include <QElapsedTimer>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace qb {

namespace {

std::unique_ptr<QTextDocument> newDocument()
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    return document;
}

// What every document of a note is given.
void installNoteGuards(QTextDocument &document)
{
    guardStandIns(document);
    guardDisplayLines(document);
}

} // namespace

NoteDocument::NoteDocument(QObject *parent) : QObject(parent), m_document(nullptr)
{
    std::unique_ptr<QTextDocument> document = newDocument();
    installNoteGuards(*document);
    m_document = document.release();
    m_document->setParent(this);
    connect(m_document, &QTextDocument::contentsChanged, this, &NoteDocument::contentsChanged);
    m_keptBytes = std::make_unique<NoteBytesCache>(*this);
}

NoteDocument::~NoteDocument()
{
    m_keptBytes.reset();
    m_disposer.quit();
    m_disposer.wait();
}

NotePositions NoteDocument::positions() const
{
    return notePositionsOf(*m_document);
}

bool NoteDocument::setStandInColour(const QColor &colour)
{
    if (colour == m_standInColour)
        return false;
    m_standInColour = colour;
    return recolourStandIns(*m_document, colour);
}

void NoteDocument::showNote(const DecodedNote &note)
{
    showNoteText(*m_document, note, m_standInColour);
    Q_EMIT textReplaced();
}

void NoteDocument::clear()
{
    dropLarge();
    showNote({});
}

void NoteDocument::dropLarge()
{
    // The size above which emptying a document here would hold up the window noticeably.
    constexpr int kLargeDocument = 1 << 20;
    if (m_document->characterCount() < kLargeDocument)
        return;
    std::unique_ptr<QTextDocument> empty = newDocument();
    empty->setDefaultFont(m_document->defaultFont());
    empty->setDefaultTextOption(m_document->defaultTextOption());
    empty->setDocumentMargin(m_document->documentMargin());
    replaceDocument(std::move(empty));
}

void NoteDocument::replaceDocument(std::unique_ptr<QTextDocument> document)
{
    QTextDocument *old = m_document;
    installNoteGuards(*document);
    disconnect(old, nullptr, this, nullptr);
    m_document = document.release();
    m_document->setParent(this);
    connect(m_document, &QTextDocument::contentsChanged, this, &NoteDocument::contentsChanged);
    // The views let go of the old document before it leaves this thread.
    Q_EMIT documentReplaced();
    old->setParent(nullptr);
    if (!m_disposer.isRunning()) {
        m_disposer.setObjectName(QStringLiteral("qbDocumentDisposer"));
        m_disposer.start(QThread::LowestPriority);
    }
    old->moveToThread(&m_disposer);
    old->deleteLater();
}

NoteBytes NoteDocument::bytes(const NoteFormat &format) const
{
    return noteBytesOf(*m_document, format);
}

void NoteDocument::insert(QTextCursor &cursor, const DecodedNote &text, LineEnd lineEnd)
{
    insertNoteText(cursor, text, lineEnd, m_standInColour);
}

int NoteDocument::replaceLines(const QList<ReplacedLines> &changes, LineEnd lineEnd)
{
    return replaceNoteLines(*m_document, changes, lineEnd, m_standInColour);
}

NoteFiller::NoteFiller(NoteDocument &target, DecodedNote note, qsizetype shown)
    : m_target(target), m_note(std::move(note)), m_done(shown)
{
    // Guarded whatever the note holds: a long line's soft breaks are found piece by piece.
    beginProgramText(m_target.document(), true);
    while (m_nextStandIn < m_note.standIns.size() &&
           m_note.standIns[m_nextStandIn].position < m_done)
        ++m_nextStandIn;
}

NoteFiller::~NoteFiller()
{
    endProgramText(m_target.document());
}

bool NoteFiller::fillFor(int milliseconds)
{
    QTextDocument &document = m_target.document();
    const QStringView text(m_note.text);
    // Whole display lines at a time, small enough that the window waits a few milliseconds at
    // most. A piece ends a paragraph: the editor lays a paragraph out whole whenever a piece is
    // added to it, so one put in piece by piece would be laid out again and again.
    constexpr qsizetype kFillStep = 1 << 16;
    QElapsedTimer clock;
    clock.start();
    // One piece at least; no more begun that would end the slice late, if it takes as long as
    // the last one.
    const qint64 slice = milliseconds * 1'000'000LL;
    for (bool first = true;
         m_done < text.size() && (first || clock.nsecsElapsed() + m_lastPiece < slice);
         first = false) {
        const qint64 pieceStart = clock.nsecsElapsed();
        const bool intoEmpty = document.isEmpty();
        QList<qsizetype> breaks; // in the piece
        qsizetype end = m_done;
        while (end < text.size() && end - m_done < kFillStep) {
            const DisplayLineEnd line = endOfDisplayLine(text, end);
            if (line.soft)
                breaks.append(line.end - m_done);
            end = line.soft ? line.end : std::min(line.end + 1, text.size());
        }
        const QStringView piece = text.sliced(m_done, end - m_done);
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        const qsizetype at = cursor.position();
        // Plain: the character before, a soft break's perhaps, would lend its format.
        cursor.insertText(breaks.isEmpty() ? piece.toString() : withSoftBreaks(piece, breaks),
                          QTextCharFormat());
        QList<StandIn> standIns;
        for (; m_nextStandIn < m_note.standIns.size() &&
               m_note.standIns[m_nextStandIn].position < end;
             ++m_nextStandIn) {
            const StandIn &standIn = m_note.standIns[m_nextStandIn];
            standIns.append({standIn.position - m_done, standIn.original});
        }
        markShown(document, at, standIns, breaks, m_target.standInColour());
        m_done = end;
        // The caret stays at the start, as for a note shown whole, rather than going along with
        // the text put in after it.
        if (intoEmpty)
            Q_EMIT m_target.textReplaced();
        m_lastPiece = clock.nsecsElapsed() - pieceStart;
    }
    return m_done == text.size();
}

int NoteFiller::percentDone() const
{
    return m_note.text.isEmpty() ? 100 : int(m_done * 100 / m_note.text.size());
}

} // namespace qb
