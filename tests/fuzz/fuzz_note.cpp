// Any bytes: a note read from them and handed back by the editor unchanged is written as the very
// same bytes, whatever format the note is read in.
#include "FuzzCheck.h"
#include "encoder/NoteCodec.h"

#include <cstddef>
#include <cstdint>

using qb::fuzz::require;
using qb::fuzz::requireSame;

namespace {

// The text as the editor holds it: LF, CR, U+2029 and the frame marks U+FDD0 and U+FDD1 all
// become paragraph separators; every other character stays as it is.
QString asEditorHoldsIt(QStringView text)
{
    QString held = text.toString();
    for (QChar &c : held) {
        switch (c.unicode()) {
        case u'\n':
        case u'\r':
        case 0x2029:
        case 0xFDD0:
        case 0xFDD1:
            c = QChar::ParagraphSeparator;
            break;
        default:
            break;
        }
    }
    return held;
}

// What the editor hands over unchanged: its text, with the original behind each stand-in.
QByteArray editorBytes(const qb::DecodedNote &note)
{
    qb::NoteEncoder encoder(note.format);
    qsizetype done = 0;
    const auto appendPlain = [&](qsizetype end) {
        encoder.appendText(asEditorHoldsIt(QStringView(note.text).sliced(done, end - done)));
    };
    for (const qb::StandIn &standIn : note.standIns) {
        require(standIn.position >= done && standIn.position < note.text.size(),
                "stand-ins out of order or outside the text");
        require(note.text.at(standIn.position) == QChar(qb::standInFor(standIn.original)),
                "a stand-in's place holds another character");
        appendPlain(standIn.position);
        encoder.appendOriginal(QStringView(&standIn.original, 1));
        done = standIn.position + 1;
    }
    appendPlain(note.text.size());
    require(encoder.ok(), "a character of the note read cannot be written back");
    return encoder.takeBytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const qb::DecodedNote note = qb::decodeNoteBytes(bytes);
    require(note.format == qb::detectNoteFormat(bytes), "the note is not read in the format found");
    requireSame(bytes, editorBytes(note), "a note read and written back changed");

    // The same bytes shown again in any format chosen before.
    for (const auto encoding : {qb::TextEncoding::Utf8, qb::TextEncoding::Windows1252}) {
        for (const bool byteOrderMark : {false, true}) {
            for (const auto lineEnd : {qb::LineEnd::CrLf, qb::LineEnd::Lf}) {
                const qb::DecodedNote shown =
                    qb::decodeNoteBytes(bytes, qb::NoteFormat{encoding, byteOrderMark, lineEnd});
                requireSame(bytes, editorBytes(shown),
                            "a note read in a chosen format and written back changed");
            }
        }
    }
    return 0;
}
