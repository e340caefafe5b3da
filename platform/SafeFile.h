#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qb {

struct ReadResult
{
    QByteArray bytes;
    QString error; // empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads a whole file in binary.
ReadResult ReadWholeFile(const QString &path);

// Replaces `path` with `bytes` through a temporary file beside it, so that a failure at any point
// leaves the old file as it was. Every write and the flush are checked before the rename: on
// Qt 6.4 QSaveFile::commit() alone can succeed after a short write on a full disk. An existing
// file's permissions are kept. Returns the reason on failure.
std::optional<QString> WriteWholeFile(const QString &path, const QByteArray &bytes);

} // namespace qb
