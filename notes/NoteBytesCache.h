#pragma once

#include "notes/NoteCodec.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <vector>

class QPlainTextEdit;
class QTextDocument;

namespace qb {

// The note in the editor as the bytes a save writes, kept from one save to the next in pieces of
// some ten thousand characters. Reading a large note's text back out of the editor costs more
// than writing its bytes, so a save encodes only the pieces an edit touched since the note was
// shown or last saved and writes the others as they are. The pieces take about as much memory
// as the note's file.
class NoteBytesCache final : public QObject
{
public:
    explicit NoteBytesCache(QPlainTextEdit &editor);

    // Drops what is kept: the editor shows another note, to be saved in `format`.
    void reset(const NoteFormat &format = {});
    // Keeps the bytes of the text after what is kept, up to the editor's end: the text that was
    // just put in.
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

    void follow(QTextDocument *document);
    void onContentsChange(int position, int removed, int added);
    // The text at [from, to) encoded into kept pieces appended to `pieces`; false, with nothing
    // appended, when a character cannot be stored.
    bool encodePieces(qsizetype from, qsizetype to, std::vector<Piece> &pieces) const;

    QPlainTextEdit &m_editor;
    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_watch;
    NoteFormat m_format;         // with no byte order mark: that goes before the first piece
    std::vector<Piece> m_pieces; // the first m_covered characters of the text, in order
    qsizetype m_covered = 0;
};

} // namespace qb
