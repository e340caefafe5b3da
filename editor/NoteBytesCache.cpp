#include "editor/NoteBytesCache.h"

#include "editor/DisplayLines.h"
#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"

#include "platform/Background.h"

#include <QTextDocument>

#include <algorithm>

namespace qb {

namespace {

// Small enough that encoding the piece an edit touched costs next to nothing, large enough that
// a large note's pieces are written with few calls.
constexpr qsizetype kEncodedRunLength = 1 << 16;

NoteFormat withoutByteOrderMark(NoteFormat format)
{
    format.byteOrderMark = false;
    return format;
}

} // namespace

NoteBytesCache::NoteBytesCache(NoteDocument &note) : m_note(note)
{
    follow();
    connect(&note, &NoteDocument::documentReplaced, this, &NoteBytesCache::follow);
}

NoteBytesCache::~NoteBytesCache()
{
    dropPrepared();
}

void NoteBytesCache::reset(const NoteFormat &format)
{
    dropPrepared();
    m_format = withoutByteOrderMark(format);
    follow();
}

void NoteBytesCache::dropPrepared()
{
    // The thread runs on by itself until it sees the cancel: it touches nothing of this.
    std::exchange(m_prepared, {}).cancel();
}

template <typename IsHighSurrogate, typename EncodeRange>
bool NoteBytesCache::splitAndEncode(const NoteFormat &format, qsizetype from, qsizetype to,
                                    IsHighSurrogate isHighSurrogateAt, EncodeRange encodeRange,
                                    std::vector<Piece> &pieces, const Dropped &dropped)
{
    std::vector<Piece> fresh;
    for (qsizetype start = from; start < to;) {
        if (dropped && dropped())
            return false;
        qsizetype end = std::min(start + kEncodedRunLength, to);
        // A surrogate pair stays in one piece.
        if (end < to && isHighSurrogateAt(end - 1))
            ++end;
        NoteEncoder encoder(format);
        encodeRange(start, end, encoder);
        if (!encoder.ok())
            return false;
        QByteArray bytes = encoder.takeBytes();
        bytes.squeeze(); // the encoder makes room for the most bytes the text could take
        fresh.push_back(Piece{end - start, std::move(bytes), true});
        start = end;
    }
    pieces.insert(pieces.end(), std::make_move_iterator(fresh.begin()),
                  std::make_move_iterator(fresh.end()));
    return true;
}

bool NoteBytesCache::encodeEditorInPieces(qsizetype from, qsizetype to,
                                          std::vector<Piece> &pieces) const
{
    const QTextDocument &document = m_note.document();
    return splitAndEncode(
        m_format, from, to,
        [&document](qsizetype i) { return document.characterAt(int(i)).isHighSurrogate(); },
        [&document](qsizetype start, qsizetype end, NoteEncoder &encoder) {
            encodeEditorText(document, start, end, encoder);
        },
        pieces);
}

// The note's own text stands for the editor's: the editor holds it as it is, its line breaks
// as paragraph breaks, and the soft breaks of its long lines besides, each counted in the piece
// that holds the character before it.
bool NoteBytesCache::encodeNoteInPieces(const DecodedNote &note, std::vector<Piece> &pieces,
                                        const Dropped &dropped)
{
    std::vector<Piece> fresh;
    if (!splitAndEncode(
            withoutByteOrderMark(note.format), 0, note.text.size(),
            [&note](qsizetype i) { return note.text[i].isHighSurrogate(); },
            [&note](qsizetype start, qsizetype end, NoteEncoder &encoder) {
                encodeNoteText(note, start, end, encoder);
            },
            fresh, dropped)) {
        return false;
    }
    const QList<qsizetype> breaks = softBreaksOf(note.text);
    qsizetype end = 0;
    qsizetype next = 0;
    for (Piece &piece : fresh) {
        end += piece.length;
        for (; next < breaks.size() && breaks[next] <= end; ++next)
            ++piece.length;
    }
    pieces.insert(pieces.end(), std::make_move_iterator(fresh.begin()),
                  std::make_move_iterator(fresh.end()));
    return true;
}

qsizetype NoteBytesCache::lengthOf(const std::vector<Piece> &pieces)
{
    qsizetype length = 0;
    for (const Piece &piece : pieces)
        length += piece.length;
    return length;
}

void NoteBytesCache::keep(const DecodedNote &note)
{
    std::vector<Piece> pieces;
    const bool ok = encodeNoteInPieces(note, pieces);
    reset(note.format);
    const qsizetype length = lengthOf(pieces);
    keepPieces(ok, std::move(pieces), length);
}

void NoteBytesCache::prepare(const DecodedNote &note)
{
    dropPrepared();
    // The note is copied: its text and stand-ins are shared, and never changed.
    m_prepared = runInBackground<Prepared>([note](QPromise<Prepared> &promise) {
        Prepared prepared{note.format, 0, false, {}};
        prepared.ok =
            encodeNoteInPieces(note, prepared.pieces, [&promise] { return promise.isCanceled(); });
        prepared.length = lengthOf(prepared.pieces);
        promise.addResult(std::move(prepared));
    });
}

void NoteBytesCache::keepPrepared()
{
    QFuture<Prepared> prepared = std::exchange(m_prepared, {});
    prepared.waitForFinished();
    if (prepared.isCanceled() || prepared.resultCount() == 0)
        return;
    Prepared result = prepared.takeResult();
    reset(result.format);
    keepPieces(result.ok, std::move(result.pieces), result.length);
}

void NoteBytesCache::keepPieces(bool ok, std::vector<Piece> pieces, qsizetype length)
{
    if (!ok || length != documentTextLength(m_note.document())) {
        // A character the note's format cannot store, which the save will name; or the editor
        // does not hold the note the pieces were made of.
        extend();
        return;
    }
    m_pieces = std::move(pieces);
    m_covered = length;
}

void NoteBytesCache::follow()
{
    disconnect(m_watch);
    m_watch = connect(&m_note.document(), &QTextDocument::contentsChange, this,
                      &NoteBytesCache::onContentsChange);
    m_pieces = {};
    m_covered = 0;
}

void NoteBytesCache::onContentsChange(int position, int removed, int added)
{
    if (position >= m_covered)
        return; // nothing kept there: extend() or encode() takes it
    // The pieces that held the characters removed, or that the characters added go into. A kept
    // piece encodes the same on its own as within the whole text (it cannot start or end with
    // half a surrogate pair, which no encoding can store), so its neighbours are left alone.
    std::size_t first = 0;
    qsizetype start = 0;
    while (start + m_pieces[first].length <= position && first + 1 < m_pieces.size())
        start += m_pieces[first++].length;
    const qsizetype removedEnd = qsizetype(position) + removed;
    if (removedEnd > m_covered) {
        // Qt counts the document's own last paragraph break in some changes, which no piece
        // holds: what is kept from here on is dropped.
        m_pieces.erase(m_pieces.begin() + qsizetype(first), m_pieces.end());
        m_covered = start;
        return;
    }
    std::size_t last = first;
    qsizetype end = start + m_pieces[first].length;
    while (last + 1 < m_pieces.size() && end < removedEnd)
        end += m_pieces[++last].length;
    m_pieces[first] = Piece{end - start - removed + added, {}, false};
    m_pieces.erase(m_pieces.begin() + qsizetype(first) + 1, m_pieces.begin() + qsizetype(last) + 1);
    m_covered += added - removed;
}

void NoteBytesCache::extend()
{
    const qsizetype length = documentTextLength(m_note.document());
    if (m_covered > length)
        follow(); // what is kept no longer fits the text
    if (m_covered == length)
        return;
    if (!encodeEditorInPieces(m_covered, length, m_pieces))
        m_pieces.push_back(Piece{length - m_covered, {}, false}); // the save says which character
    m_covered = length;
}

void NoteBytesCache::encode(NoteEncoder &encoder)
{
    if (withoutByteOrderMark(encoder.format()) != m_format)
        reset(encoder.format());
    extend();
    qsizetype start = 0;
    for (std::size_t i = 0; i < m_pieces.size();) {
        if (m_pieces[i].kept) {
            encoder.appendBytes(m_pieces[i].bytes);
            start += m_pieces[i++].length;
            continue;
        }
        std::size_t next = i;
        qsizetype end = start;
        while (next < m_pieces.size() && !m_pieces[next].kept)
            end += m_pieces[next++].length;
        std::vector<Piece> fresh;
        if (!encodeEditorInPieces(start, end, fresh)) {
            // The encoder stops at the same character, and tells which one it is.
            encodeEditorText(m_note.document(), start, end, encoder);
            return;
        }
        for (const Piece &piece : fresh)
            encoder.appendBytes(piece.bytes);
        const qsizetype count = qsizetype(fresh.size());
        m_pieces.erase(m_pieces.begin() + qsizetype(i), m_pieces.begin() + qsizetype(next));
        m_pieces.insert(m_pieces.begin() + qsizetype(i), std::make_move_iterator(fresh.begin()),
                        std::make_move_iterator(fresh.end()));
        i += std::size_t(count);
        start = end;
    }
}

qsizetype NoteBytesCache::keptCharacters() const
{
    qsizetype kept = 0;
    for (const Piece &piece : m_pieces)
        kept += piece.kept ? piece.length : 0;
    return kept;
}

} // namespace qb
