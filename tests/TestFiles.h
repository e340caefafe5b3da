#pragma once

#include "book/BookFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QtTest/QTest>

namespace qb::test {

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Writes `bytes` to `path`, making the directories on the way.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Every entry of `dir`, hidden ones included, sorted by name.
inline QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Points HOME, and with it the trash, into `dir`: tests never touch the real ones.
inline void keepHomeIn(const QString &dir)
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("HOME", QFile::encodeName(dir));
}

// A book file as the program writes it, with the given folder rows (CR LF line ends).
inline QByteArray bookBytes(const QString &name, const QList<FolderEntry> &folders)
{
    QByteArray bytes = "Mossgrange's Quirebox v3_[A1]\r\nName=" + name.toUtf8() +
                       "\r\nSignature=1/1/2026;10:00:00;Tester;\r\n";
    for (const FolderEntry &f : folders)
        bytes += f.Name.toUtf8() + ';' + f.Path.toUtf8() + ";\r\n";
    return bytes;
}

} // namespace qb::test
