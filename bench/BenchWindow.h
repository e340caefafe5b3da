#pragma once

#include "FakePlatform.h"

#include "app/Startup.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>

#include <memory>

namespace qb::bench {

// Quirebox's main window on a book, with a scripted platform, reached through the names of its
// controls and menu items as a user reaches them.
struct BenchWindow
{
    explicit BenchWindow(const QString &bookPath = {}) : window(makeMainWindow(platform, bookPath))
    {
        waitForNote();
    }

    // A large note is read off the window's thread: this waits until it is in.
    void waitForNote() const
    {
        while (status().startsWith(QLatin1String("Loading")))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    template <typename T> T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QAction *action(const char *name) const { return child<QAction>(name); }
    QPlainTextEdit *editor() const { return child<QPlainTextEdit>("txtTEXT"); }
    QComboBox *lstFILE() const { return child<QComboBox>("lstFILE"); }
    QString status() const { return child<QLabel>("sBAR_Panel1")->text(); }
    // The note at `row` picked from the note selector, as a user picks it.
    void pickNote(int row) const
    {
        lstFILE()->setCurrentIndex(row);
        Q_EMIT lstFILE()->activated(row);
    }

    test::FakePlatform platform;
    std::unique_ptr<QMainWindow> window;
};

} // namespace qb::bench
