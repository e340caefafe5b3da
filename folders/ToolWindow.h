#pragma once

#include "platform/Twips.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace qb {

// A fixed-size tool window with a small title bar and no minimise or maximise button, centred
// on the screen. The size is the client area's, in twips.
inline void setUpToolWindow(QDialog &dialog, int widthTwips, int heightTwips)
{
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(px(widthTwips), px(heightTwips));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}

// The sizes were drawn for an 8-point font; with a larger one a caption would be cut off. The
// control then grows to its text, moving left where the right edge of the form is near.
inline void fitToText(QWidget *control)
{
    const int margin = px(120);
    const int room = control->parentWidget()->width() - margin;
    const int width = std::max(control->width(), control->sizeHint().width());
    if (width == control->width())
        return;
    const int left = std::max(std::min(room - width, control->x()), std::min(margin, control->x()));
    control->setGeometry(left, control->y(), std::min(width, room - left), control->height());
}

} // namespace qb
