#pragma once

#include <QString>
#include <QWidget>

namespace qb {

// A control that shows no text of its own is named for screen readers.
inline void describe(QWidget *control, const QString &name, const QString &description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

} // namespace qb
