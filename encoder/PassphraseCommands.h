#pragma once

#include "encoder/AgeFile.h"
#include "encoder/NoteCodec.h"

#include <QFutureWatcher>
#include <QObject>

#include <functional>
#include <memory>

class QWidget;

namespace qb {

class Platform;
class ProtectedNote;

// Tools > Encrypt with Passphrase... / Decrypt with Passphrase... / Change Passphrase... and
// Remove Encryption: a note encrypted in the age format, which the `age` command opens too.
// Encrypt keeps the note's text shown, as Decrypt leaves it, for its saves to encrypt. The slow
// key derivation of Decrypt runs on a thread of the pool under the busy cursor, the window
// answering meanwhile; its end acts on the note only if that is still the one shown.
class PassphraseCommands final : public QObject
{
    Q_OBJECT
public:
    PassphraseCommands(ProtectedNote &note, Platform &platform, QWidget &dialogParent,
                       QObject *parent = nullptr);
    ~PassphraseCommands() override;

    // Decrypt when the note shows its armour, Change Passphrase when it is shown decrypted,
    // else Encrypt.
    void toggle();
    void encrypt();
    void decrypt();
    // A new passphrase, asked twice, for the next saves of the note shown decrypted.
    void changePassphrase();
    void removeEncryption();
    // A version of the note shown decrypted, as its file held it (an age file): decrypted with
    // the note's passphrase or, when another opens it, with the one the user then gives; `show`
    // gets its bytes if the note is still shown. One that cannot be decrypted is told, and
    // nothing is shown.
    void decryptVersion(const QByteArray &version,
                        std::function<void(const QByteArray &plain)> show);
    // A key is being derived.
    bool isWorking() const;

Q_SIGNALS:
    // A derivation started or ended.
    void workingChanged(bool working);

private:
    // Asks for the passphrase, saying `about` of it; nothing when the user said Cancel or chose
    // another.
    std::optional<SecretBytes> askPassphrase(bool encrypting, const QString &about = {});
    // Derives the key of `passphrase` for the age `file` off the window's thread, then hands
    // `done` the file decrypted with it, if the note is still shown.
    void decryptThen(std::shared_ptr<const SecretBytes> passphrase, const QByteArray &file,
                     std::function<void(const AgeDecrypted &)> done);
    // decryptVersion once the note's own passphrase did not open the version.
    void decryptVersionAsking(const QByteArray &version,
                              std::function<void(const QByteArray &plain)> show);
    // What a passphrase opened of an age file.
    struct Opened
    {
        AgeOutcome header;         // the header read as far as can be done without the key
        bool keyWorkedOut = false; // false: there was not enough memory for the key
        AgeDecrypted decrypted;
        std::optional<DecodedNote> note; // its text decoded, when asked for
    };
    // Derives the key of `passphrase` for the age `file`, decrypts the file with it and, when
    // `decode` is set, decodes its text: the slow parts of opening it, all in one.
    static Opened openAge(const SecretBytes &passphrase, const QByteArray &file, bool decode);
    // Runs `open` off the window's thread, then `done` with what it opened if the note at
    // `path` is still shown.
    void openThen(std::function<Opened()> open, const QString &path,
                  std::function<void(Opened &&)> done);

    ProtectedNote &m_note;
    Platform &m_platform;
    QWidget &m_dialogParent;
    QFutureWatcher<std::shared_ptr<Opened>> m_derivation;
    std::function<void(Opened &&)> m_done;
    QString m_path;
};

} // namespace qb
