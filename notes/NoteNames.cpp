#include "notes/NoteNames.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Longest file name the common file systems take: 255 bytes (ext4, XFS, Btrfs, APFS) or 255
// UTF-16 units (NTFS, exFAT).
constexpr qsizetype kMaxFileNameLength = 255;

} // namespace

QStringView noteNameView(QStringView fileName)
{
    return fileName.first(std::max<qsizetype>(0, fileName.size() - 4));
}

QString noteNameOf(const QString &fileName)
{
    return noteNameView(fileName).toString();
}

QString EnsureTxtExtension(const QString &name)
{
    if (name.endsWith(u".txt", Qt::CaseInsensitive))
        return name;
    return name + u".txt"_s;
}

QString noteFilePath(const QString &dirPath, const QString &fileName)
{
    return QDir(dirPath).filePath(fileName);
}

std::optional<QString> checkNoteFileName(const QString &fileName)
{
    const QString noteName =
        fileName.endsWith(u".txt", Qt::CaseInsensitive) ? noteNameOf(fileName) : fileName;
    if (noteName.isEmpty())
        return u"The name is empty."_s;
    if (noteName == u"."_s || noteName == u".."_s)
        return u"\".\" and \"..\" are names of folders, not of notes."_s;
    for (const QChar c : fileName) {
        if (c == u'/' || c == u'\\')
            return u"A name cannot contain a slash (/) or a backslash (\\)."_s;
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
            return u"A name cannot contain control characters, such as tabs or line breaks."_s;
    }
    if (noteName.startsWith(u'.'))
        return u"A name cannot start with a dot: the note would be a hidden file and would not "
               u"be listed."_s;
#ifdef Q_OS_WIN
    const qsizetype length = fileName.size();
#else
    const qsizetype length = QFile::encodeName(fileName).size();
#endif
    if (length > kMaxFileNameLength)
        return u"The name is too long: a file name holds at most 255 bytes, \".txt\" included, "
               u"and a letter outside plain English takes two or more of them."_s;
    return std::nullopt;
}

} // namespace qb
