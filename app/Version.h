#pragma once

#include <QString>

namespace qb {

inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 25;

// "v3.01", as the caption shows it.
QString captionVersion();
// "v3.01.0025", as status panel 5 shows it.
QString statusVersion();
// "Quirebox v3.01", or "<book> - Quirebox v3.01" with a book open.
QString captionText(const QString &bookName);

} // namespace qb
