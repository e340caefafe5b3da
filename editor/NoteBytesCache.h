#pragma once

#include "encoder/NoteCodec.h"

#include <QByteArray>
#include <QFuture>
#include <QObject>

#include <functional>
#include <vector>

class QTextDocument;

namespace qb {

class NoteDocument;

// The note in the document as the bytes a save writes, kept from one save to the next in pieces of
// tens of thousands of characters. Reading a large note's text back out of the editor costs more
// than writing its bytes, so a save encodes only the pieces an edit touched since the note was
// shown or last saved and writes the others as they are. The pieces take about as much memory
// as the note's file.
class NoteBytesCache final : public QObject
{
public:
    explicit NoteBytesCache(NoteDocument &note);
    ~NoteBytesCache() override;

    // Drops what is kept: the editor shows another note, to be saved in `format`.
    void reset(const NoteFormat &format = {});
    // The editor was just given `note`, whole: its bytes, worked out from the note itself, are
    // kept.
    void keep(const DecodedNote &note);
    // The same for a note the editor is being given in slices: its bytes are worked out on a
    // thread of the pool meanwhile, and kept by keepPrepared() once the editor holds all of it.
    void prepare(const DecodedNote &note);
    // Waits for the bytes prepare() works out, if need be.
    void keepPrepared();
    // Whether keepPrepared() would not wait.
    bool isPrepared() const { return m_prepared.isFinished(); }
    // Keeps the bytes of the text after what is kept, up to the editor's end, read from the
    // editor.
    void extend();
    // The whole note into `encoder`, in its format: the kept pieces as they are, the rest encoded
    // from the editor now and kept for the next time.
    void encode(NoteEncoder &encoder);

    // How many characters of the text have their bytes kept.
    qsizetype keptCharacters() const;

private:
    struct Piece
    {
        qsizetype length = 0; // characters of the editor's text
        QByteArray bytes;
        bool kept = false; // false: `bytes` is empty, and the text is encoded again when needed
    };
    // The bytes of a note being put into the editor, worked out on a thread of the pool.
    struct Prepared
    {
        NoteFormat format;
        qsizetype length = 0;
        bool ok = false;
        std::vector<Piece> pieces;
    };
    // Tells a run of pieces to stop.
    using Dropped = std::function<bool()>;

    // Keeps nothing, and follows the edits of the document the note is in now.
    void follow();
    void onContentsChange(int position, int removed, int added);
    // Text at [from, to) in pieces of about kEncodedRunLength characters, each encoded on its own
    // by `encodeRange(start, end, encoder)`, and appended to `pieces`. False, with nothing
    // appended, when a character cannot be stored, or when `dropped` says so meanwhile.
    template <typename IsHighSurrogate, typename EncodeRange>
    static bool splitAndEncode(const NoteFormat &format, qsizetype from, qsizetype to,
                               IsHighSurrogate isHighSurrogateAt, EncodeRange encodeRange,
                               std::vector<Piece> &pieces, const Dropped &dropped = {});
    // The whole text of `note` so, as the editor showing it holds it.
    static bool encodeNoteInPieces(const DecodedNote &note, std::vector<Piece> &pieces,
                                   const Dropped &dropped = {});
    // The characters of the editor's text that `pieces` hold.
    static qsizetype lengthOf(const std::vector<Piece> &pieces);
    // The editor's text at [from, to) so.
    bool encodeEditorInPieces(qsizetype from, qsizetype to, std::vector<Piece> &pieces) const;
    // Takes `pieces` of a note of `length` characters as what is kept, when they were `ok` and
    // the editor holds that much text; reads the text from the editor otherwise.
    void keepPieces(bool ok, std::vector<Piece> pieces, qsizetype length);
    void dropPrepared();

    NoteDocument &m_note;
    QMetaObject::Connection m_watch;
    NoteFormat m_format;         // with no byte order mark: that goes before the first piece
    std::vector<Piece> m_pieces; // the first m_covered characters of the text, in order
    qsizetype m_covered = 0;
    QFuture<Prepared> m_prepared;
};

} // namespace qb
