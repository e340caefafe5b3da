#pragma once

#include "BenchBook.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <random>

namespace qb::bench {

// A word in one note in a hundred, found by no other.
inline const QString kRareWord = QStringLiteral("zephyrine");

// The book of the Go to Note probes: 30 folders of `notes` notes as the Find in Book benchmarks
// make them, of 2 to 4 KB, the rare word in one note in a hundred; its path.
inline QString makeGoToBook(int notes, const QTemporaryDir &dir)
{
    std::mt19937 random(2291);
    QList<qb::FolderEntry> folders;
    for (int f = 0; f < kFolders; ++f) {
        const QString name = QStringLiteral("Folder %1").arg(f + 1, 2, 10, QChar(u'0'));
        QDir().mkpath(dir.filePath(name));
        folders.append({name, dir.filePath(name)});
    }
    for (int i = 0; i < notes; ++i) {
        QByteArray bytes = makeNote(random, 2048 + qsizetype(random() % 2048), false, i);
        if (i % 100 == 0)
            bytes.insert(bytes.size() / 2, " " + kRareWord.toUtf8() + " ");
        qb::test::writeBytes(
            folders[i % folders.size()].Path + QStringLiteral("/Note %1.txt").arg(i), bytes);
    }
    const QString bookPath = dir.filePath(QStringLiteral("book.qb"));
    qb::test::writeBytes(bookPath, qb::test::bookBytes(QStringLiteral("Go to"), folders));
    return bookPath;
}

} // namespace qb::bench
