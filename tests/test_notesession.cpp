// The shown note without a window: what its status turns on and off, when it counts as edited,
// which bytes a Decode starts from, and what loading and saving give.
#include "TestFiles.h"

#include "notes/NoteSession.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

const QByteArray Header = "Mossgrange's Quirebox Encoded v3_[A1]";

// The status word, what Tools > Encode does, and whether Save is on, in one line.
QString State(const NoteSession &session)
{
    return NoteStatusText(session.status()) + u", "_s +
           (session.cipherCommand() == CipherDirection::Encipher ? u"Encode"_s : u"Decode"_s) +
           (session.saveEnabled() ? u", Save on"_s : u", Save off"_s);
}

} // namespace

class TestNoteSession : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(u"n.txt"_s);

private Q_SLOTS:
    // "Unchanged" turns Save off and Tools to Encode, "Changed" turns Save on, "Decoded" and
    // "Encoded" set the direction alone.
    void statusTable()
    {
        const QList<std::tuple<NoteStatus, bool, bool, QString>> rows = {
            // Save on, Decode before
            {NoteStatus::Unchanged, true, true, u"Unchanged, Encode, Save off"_s},
            {NoteStatus::Changed, false, true, u"Changed, Decode, Save on"_s},
            {NoteStatus::Decoded, true, true, u"Decoded, Encode, Save on"_s},
            {NoteStatus::Decoded, false, true, u"Decoded, Encode, Save off"_s},
            {NoteStatus::Encoded, false, false, u"Encoded, Decode, Save off"_s}};
        for (const auto &[status, saveBefore, decodeBefore, after] : rows) {
            NoteSession session;
            session.SetNoteStatus(decodeBefore ? NoteStatus::Encoded : NoteStatus::Decoded);
            saveBefore ? session.SetNoteStatus(NoteStatus::Changed) : session.DisableNoteSave();
            session.SetNoteStatus(status);
            QCOMPARE(State(session), after);
        }
    }

    // The first item of the first line tells an encoded note; its body starts at byte 39
    // whatever comes before, and is deciphered from the bytes read ("@" moves no code).
    void encodedNotes()
    {
        const QList<std::tuple<QByteArray, bool, QString>> rows = {
            {Header + "\r\nbody", true, u"body"_s},
            {Header + "\nbody", true, u"ody"_s},
            {Header, true, QString()},
            {Header + ",more\r\n", true, u"ore\n"_s},
            {"\"" + Header + "\"\r\n", true, u"\n"_s},
            {Header.toLower(), false, QString::fromLatin1(Header.toLower())},
            {Header + "x", false, QString::fromLatin1(Header + "x")}};
        for (const auto &[bytes, encoded, shown] : rows) {
            QVERIFY(WriteBytes(m_path, bytes));
            NoteSession session;
            const NoteSession::Loaded loaded = session.load(m_path);
            QVERIFY(loaded.ok() && session.isShown());
            QCOMPARE(loaded.encoded, encoded);
            QCOMPARE(session.knownBytes(), encoded ? std::optional(bytes) : std::nullopt);
            QCOMPARE(encoded ? session.decipher(*session.knownBytes(), "@")->text
                             : loaded.note.text,
                     shown);
        }
    }

    // Text the program puts in the editor is no edit: only the user's typing must be asked
    // about, and it keeps counting after Encode until it is saved.
    void editsAndKnownBytes()
    {
        const QByteArray encoded = Header + "\r\nbody";
        QVERIFY(WriteBytes(m_path, encoded));
        NoteSession session;
        QVERIFY(session.load(m_path).ok());
        {
            const NoteSession::Replacing replacing(session);
            session.textChanged();
        }
        QCOMPARE(session.status(), NoteStatus::Changed);
        QVERIFY(!session.hasUnsavedEdits());
        QCOMPARE(session.knownBytes(), std::optional(encoded));
        QCOMPARE(session.decipher(*session.knownBytes(), "A")->text, u"ancx"_s);
        QVERIFY(!session.knownBytes());

        session.textChanged();
        QVERIFY(session.hasUnsavedEdits());
        const std::optional<DecodedNote> again = session.encipher("anc\r\n", "A");
        QCOMPARE(again->text, QString::fromLatin1(Header + "\nbod\x0E\x0B"));
        QCOMPARE(session.knownBytes(), std::optional(Header + "\r\nbod\x0E\x0B"));
        QVERIFY(session.hasUnsavedEdits());
        QVERIFY(!session.encipher("\xFF", "A")); // past code 255: nothing changes
        QCOMPARE(session.knownBytes(), std::optional(Header + "\r\nbod\x0E\x0B"));

        QVERIFY(session.save(*session.knownBytes(), session.format()).ok());
        QCOMPARE(ReadBytes(m_path), Header + "\r\nbod\x0E\x0B");
        QCOMPARE(State(session), u"Unchanged, Encode, Save off"_s);
        QVERIFY(!session.hasUnsavedEdits());
        session.textChanged();
        session.showNoNote();
        QVERIFY(!session.isShown() && !session.hasUnsavedEdits() && !session.knownBytes());
        QCOMPARE(session.status(), NoteStatus::Unchanged);
    }
};

QTEST_GUILESS_MAIN(TestNoteSession)
#include "test_notesession.moc"
