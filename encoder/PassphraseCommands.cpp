#include "encoder/PassphraseCommands.h"

#include "encoder/PassphraseDialog.h"
#include "encoder/ProtectedNote.h"
#include "platform/Background.h"
#include "platform/Platform.h"

#include <QGuiApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// An age file this small is checked before its passphrase is asked.
constexpr qsizetype kCheckedAtOnce = 1024 * 1024;

} // namespace

PassphraseCommands::PassphraseCommands(ProtectedNote &note, Platform &platform,
                                       QWidget &dialogParent, QObject *parent)
    : QObject(parent), m_note(note), m_platform(platform), m_dialogParent(dialogParent)
{
    connect(&m_derivation, &QFutureWatcher<std::shared_ptr<Opened>>::finished, this, [this] {
        QGuiApplication::restoreOverrideCursor();
        const QFuture<std::shared_ptr<Opened>> future = m_derivation.future();
        std::function<void(Opened &&)> done = std::exchange(m_done, {});
        Q_EMIT workingChanged(false);
        if (future.resultCount() == 0 || !done)
            return;
        const std::shared_ptr<Opened> opened = future.resultAt(0);
        // The future's copy of the clear text goes once this is done with it.
        letGoOfResults(m_derivation);
        if (!m_note.isShown() || m_note.notePath() != m_path)
            return; // another note is shown now: what was opened is no use to it
        if (!opened->keyWorkedOut) {
            m_platform.reportError(u"Quirebox can't work out the key of the passphrase."_s,
                                   u"There is not enough memory for it."_s, u"Passphrase"_s);
            return;
        }
        done(std::move(*opened));
    });
}

PassphraseCommands::~PassphraseCommands()
{
    m_derivation.waitForFinished();
}

bool PassphraseCommands::isWorking() const
{
    return m_derivation.isRunning();
}

void PassphraseCommands::toggle()
{
    switch (m_note.protection()) {
    case ProtectedNote::Protection::None:
        encrypt();
        return;
    case ProtectedNote::Protection::Armour:
        decrypt();
        return;
    case ProtectedNote::Protection::Decrypted:
        changePassphrase();
        return;
    }
}

std::optional<SecretBytes> PassphraseCommands::askPassphrase(bool encrypting, const QString &about)
{
    PassphraseDialog dialog(encrypting ? PassphraseDialog::Purpose::Encrypt
                                       : PassphraseDialog::Purpose::Decrypt,
                            &m_dialogParent, about);
    if (m_platform.execDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    QString passphrase = dialog.takePassphrase();
    if (passphrase.isEmpty())
        return std::nullopt;
    if (encrypting && passphrase.size() < 8 &&
        m_platform.messageBox(u"A passphrase shorter than 8 characters is soon guessed by "
                              "anyone who has the file.\r\nEncrypt the note with it all the "
                              "same?"_s,
                              Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                              u"Passphrase"_s, Platform::Button::No) != Platform::Button::Yes) {
        SecretBytes::fromPassphrase(passphrase); // wipes it
        return std::nullopt;
    }
    return SecretBytes::fromPassphrase(passphrase);
}

PassphraseCommands::Opened PassphraseCommands::openAge(const SecretBytes &passphrase,
                                                       const QByteArray &file, bool decode)
{
    Opened opened;
    const AgeKeyNeed need = readAgeHeader(file);
    opened.header = need.outcome;
    if (!need.outcome.ok()) {
        opened.decrypted.outcome = need.outcome; // nothing was decrypted
        return opened;
    }
    const AgeWrapKey key = deriveAgeKey(passphrase, need.salt, need.workFactor);
    opened.keyWorkedOut = key.isValid();
    if (!opened.keyWorkedOut)
        return opened;
    opened.decrypted = decryptAge(file, key);
    if (decode && opened.decrypted.outcome.ok())
        opened.note = decodeNoteBytes(std::exchange(opened.decrypted.plain, {}));
    return opened;
}

void PassphraseCommands::openThen(std::function<Opened()> open, const QString &path,
                                  std::function<void(Opened &&)> done)
{
    m_path = path;
    m_done = std::move(done);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_derivation.setFuture(runInBackground<std::shared_ptr<Opened>>(
        [open = std::move(open)](QPromise<std::shared_ptr<Opened>> &promise) {
            promise.addResult(std::make_shared<Opened>(open()));
        }));
    Q_EMIT workingChanged(true);
}

void PassphraseCommands::encrypt()
{
    if (!m_note.isShown() || m_note.protection() != ProtectedNote::Protection::None || isWorking())
        return;
    // The text stays as it is: the saves encrypt it, with a key derived meanwhile.
    if (std::optional<SecretBytes> passphrase = askPassphrase(true))
        m_note.keepEncrypted(std::move(*passphrase));
}

void PassphraseCommands::changePassphrase()
{
    if (m_note.protection() != ProtectedNote::Protection::Decrypted || isWorking())
        return;
    if (std::optional<SecretBytes> passphrase =
            askPassphrase(true, u"The next save encrypts the note with the new passphrase."_s))
        m_note.keepEncrypted(std::move(*passphrase));
}

void PassphraseCommands::decrypt()
{
    if (m_note.protection() != ProtectedNote::Protection::Armour || isWorking())
        return;
    const QString title = u"Decrypt"_s;
    const QByteArray file = m_note.ageFileBytes();
    const auto reportHeader = [this, title](const AgeOutcome &header) {
        m_platform.reportError(u"Quirebox can't decrypt the note "_s + quoted(m_note.notePath()) +
                                   u"."_s,
                               header.message, title);
    };
    // The header of a large file is checked with the rest, off the window's thread: reading
    // it takes the whole armour apart.
    if (file.size() < kCheckedAtOnce) {
        if (const AgeKeyNeed need = readAgeHeader(file); !need.outcome.ok()) {
            reportHeader(need.outcome);
            return;
        }
    }
    std::optional<SecretBytes> passphrase = askPassphrase(false);
    if (!passphrase)
        return;
    auto held = std::make_shared<SecretBytes>(std::move(*passphrase));
    // A large note's decryption and decoding take a while too: they go with the key's.
    openThen([held, file] { return openAge(*held, file, true); }, m_note.notePath(),
             [this, held, title, reportHeader](Opened &&opened) {
                 if (!opened.header.ok()) {
                     reportHeader(opened.header);
                     return;
                 }
                 if (!opened.decrypted.outcome.ok()) {
                     // Nothing changes.
                     m_platform.messageBox(opened.decrypted.outcome.message, Platform::Buttons::Ok,
                                           Platform::Icon::Exclamation, title);
                     return;
                 }
                 m_note.showDecrypted(std::move(*opened.note), std::move(*held));
             });
}

void PassphraseCommands::decryptThen(std::shared_ptr<const SecretBytes> passphrase,
                                     const QByteArray &file,
                                     std::function<void(const AgeDecrypted &)> done)
{
    openThen([passphrase, file] { return openAge(*passphrase, file, false); }, m_note.notePath(),
             [done = std::move(done)](Opened &&opened) { done(opened.decrypted); });
}

void PassphraseCommands::decryptVersion(const QByteArray &version,
                                        std::function<void(const QByteArray &)> show)
{
    std::shared_ptr<const SecretBytes> held = m_note.heldPassphrase();
    if (m_note.protection() != ProtectedNote::Protection::Decrypted || !held || isWorking())
        return;
    if (const AgeKeyNeed need = readAgeHeader(version); !need.outcome.ok()) {
        m_platform.reportError(u"Quirebox can't decrypt the version of the note "_s +
                                   quoted(m_note.notePath()) + u"."_s,
                               need.outcome.message, u"Note History"_s);
        return;
    }
    decryptThen(std::move(held), version,
                [this, version, show = std::move(show)](const AgeDecrypted &decrypted) {
                    if (decrypted.outcome.ok()) {
                        show(decrypted.plain);
                        return;
                    }
                    // Asked once this derivation has ended.
                    QTimer::singleShot(
                        0, this, [this, version, show] { decryptVersionAsking(version, show); });
                });
}

void PassphraseCommands::decryptVersionAsking(const QByteArray &version,
                                              std::function<void(const QByteArray &)> show)
{
    if (m_note.protection() != ProtectedNote::Protection::Decrypted || isWorking())
        return;
    std::optional<SecretBytes> passphrase =
        askPassphrase(false, u"The note's passphrase does not open this version of it: it was "
                             "encrypted with another passphrase, or changed."_s);
    if (!passphrase)
        return;
    decryptThen(std::make_shared<const SecretBytes>(std::move(*passphrase)), version,
                [this, show = std::move(show)](const AgeDecrypted &decrypted) {
                    if (!decrypted.outcome.ok()) {
                        m_platform.messageBox(decrypted.outcome.message, Platform::Buttons::Ok,
                                              Platform::Icon::Exclamation, u"Note History"_s);
                        return;
                    }
                    show(decrypted.plain);
                });
}

void PassphraseCommands::removeEncryption()
{
    if (m_note.protection() != ProtectedNote::Protection::Decrypted)
        return;
    if (m_platform.messageBox(u"The note "_s + quoted(m_note.notePath()) +
                                  u" will be saved unencrypted: whoever has the file can then "
                                  "read it.\r\nRemove the encryption?"_s,
                              Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                              u"Remove Encryption"_s,
                              Platform::Button::No) == Platform::Button::Yes) {
        m_note.removeEncryption();
    }
}

} // namespace qb
