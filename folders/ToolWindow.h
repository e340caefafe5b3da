#pragma once

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

namespace qb {

// The folder dialogs were drawn in twips; 15 twips make a pixel at 96 dpi.
constexpr int Px(int twips)
{
    return (twips + 7) / 15;
}

// A fixed-size tool window with a small title bar and no minimise or maximise button, centred
// on the screen. The size is the client area's, in twips.
inline void SetUpToolWindow(QDialog &dialog, int widthTwips, int heightTwips)
{
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(Px(widthTwips), Px(heightTwips));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}

} // namespace qb
