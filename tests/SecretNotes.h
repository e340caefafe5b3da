#pragma once

#include "FakePlatform.h"
#include "TestFiles.h"

#include "encoder/AgeFile.h"
#include "encoder/PassphraseDialog.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QtTest/QTest>

namespace qb::test {

using namespace Qt::StringLiterals;

inline const QString kPassphrase = u"correct horse battery"_s;

// Answers the passphrase window: types into its fields as the user does, then presses Enter.
inline void answerPassphrase(FakePlatform &platform, const QString &passphrase,
                             const QString &again = {})
{
    platform.answerDialog([passphrase, again](QDialog &dialog) {
        auto &form = static_cast<PassphraseDialog &>(dialog);
        dialog.show(); // as its modal run shows it: Enter presses a button that shows
        QTest::keyClicks(form.passphraseField(), passphrase);
        QLineEdit *last = form.passphraseField();
        if (form.repeatField()) {
            QTest::keyClicks(form.repeatField(), again);
            last = form.repeatField();
        }
        QTest::keyClick(last, Qt::Key_Return);
        return dialog.result();
    });
}

// `plain` encrypted with `passphrase`, at a low work factor: quick to open.
inline QByteArray encrypted(const QByteArray &plain, const QString &passphrase = kPassphrase)
{
    QString copy = passphrase;
    const SecretBytes secret = SecretBytes::fromPassphrase(copy);
    return encryptAge(plain, prepareAgeKey(secret, 10));
}

inline QByteArray decrypted(const QByteArray &file, const QString &passphrase = kPassphrase)
{
    QString copy = passphrase;
    const SecretBytes secret = SecretBytes::fromPassphrase(copy);
    const AgeKeyNeed need = readAgeHeader(file);
    const AgeDecrypted plain = decryptAge(file, deriveAgeKey(secret, need.salt, need.workFactor));
    return plain.outcome.ok() ? plain.plain
                              : QByteArray("not decrypted: ") + plain.outcome.message.toUtf8();
}

// Keeps the home (keepHomeIn) and the temporary files in `home`, so that a search of it for
// clear text covers them all.
inline void keepHomeAndTemporaryFilesIn(const QString &home)
{
    keepHomeIn(home);
    const QString temporary = home + u"/tmp"_s;
    QVERIFY(QDir().mkpath(temporary));
    qputenv("TMPDIR", QFile::encodeName(temporary));
}

// Every file under `dir` that holds `marker`, hidden ones and those of the program's own
// state included.
inline QStringList filesHolding(const QString &dir, const QByteArray &marker)
{
    QStringList holding;
    QDirIterator files(dir, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (readBytes(file).contains(marker))
            holding << file;
    }
    return holding;
}

} // namespace qb::test
