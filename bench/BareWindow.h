#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>

namespace qb::bench {

// The start-up baseline: any Qt main window of Quirebox's shape, with five menus, a toolbar, five
// status panels and an empty plain-text editor.
inline void buildBareMainWindow(QMainWindow &window)
{
    for (const char *title : {"&Book", "&File", "&Edit", "&Tools", "&?"}) {
        QMenu *menu = window.menuBar()->addMenu(QLatin1String(title));
        for (int i = 0; i < 6; ++i)
            menu->addAction(QStringLiteral("Item %1").arg(i));
    }
    QToolBar *toolBar = window.addToolBar(QStringLiteral("Tools"));
    for (int i = 0; i < 11; ++i)
        toolBar->addAction(QStringLiteral("B%1").arg(i));
    for (int i = 0; i < 5; ++i)
        window.statusBar()->addPermanentWidget(new QLabel(QStringLiteral("Panel")));
    window.setCentralWidget(new QPlainTextEdit);
}

} // namespace qb::bench
