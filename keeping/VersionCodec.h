#pragma once

#include "platform/SafeFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qb {

// A note's bytes are compressed and read in pieces of this size, so that keeping a large note
// never needs a second whole copy of it in memory.
inline constexpr qsizetype kVersionPieceBytes = 1 << 20;

// Compresses the whole of what `reader` holds into `writer`, piece by piece; the writer is not
// committed. A file that changes size while it is read is a failure.
FileError compressInto(SafeFileWriter &writer, FileReader &reader);
// The same for bytes already in memory.
FileError compressInto(SafeFileWriter &writer, QByteArrayView bytes);

struct VersionBytes
{
    QByteArray bytes;
    QString error; // empty when the bytes are the version's, whole
    bool ok() const { return error.isEmpty(); }
};

// Reads back a compressed version that must hold exactly `expectedSize` bytes. A frame that
// claims another size, or more than `largest`, is refused before anything is decompressed; a
// damaged or truncated file is a failure with its reason, never bytes that are not the note's.
VersionBytes decompressVersion(const QString &path, qint64 expectedSize, qint64 largest);

} // namespace qb
