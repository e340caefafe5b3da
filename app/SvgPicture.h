#pragma once

#include <QIcon>
#include <QString>

namespace qb {

// An icon of one of the program's SVG pictures, drawn at whatever size and pixel ratio it is
// shown at.
QIcon svgPictureIcon(const QString &path);

} // namespace qb
