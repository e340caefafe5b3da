#pragma once

#include <QString>

namespace qb {

// "12.5 MiB": a size as the messages show it.
QString sizeText(qint64 bytes);
// Why a file of `size` bytes, above the largest that may be read, is not.
QString tooLargeToOpenText(qint64 size);

} // namespace qb
