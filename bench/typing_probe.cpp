// The editor's key-to-paint latency while Find in Book searches, against the same when idle:
// `typing_probe [NOTES]` makes a book of NOTES notes (10,000 by default), opens Quirebox's window
// on it, and types into the shown note: keys posted as the window system posts them, one every
// 40 ms, each timed from its posting to the end of the editor's next paint. Then the same with a
// search of the whole book always running. Prints, in milliseconds, the median, 90th and 99th
// percentile and the worst for both, and how many searches ran.
#include "BenchBook.h"
#include "BenchWindow.h"
#include "TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Stamps the end of each paint of the editor's viewport.
class PaintClock final : public QObject
{
public:
    explicit PaintClock(QWidget *viewport) : m_viewport(viewport)
    {
        viewport->installEventFilter(this);
    }
    qint64 lastPaintNs = -1;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_viewport || event->type() != QEvent::Paint)
            return false;
        m_viewport->removeEventFilter(this);
        QCoreApplication::sendEvent(m_viewport, event);
        m_viewport->installEventFilter(this);
        lastPaintNs = clock.nsecsElapsed();
        return true;
    }

private:
    QWidget *m_viewport;
};

void Wait(int ms)
{
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, ms);
}

// Types `keys` keys, a letter then Backspace so that the note stays as it is, and returns each
// key's latency in milliseconds. `beforeKey` runs before each key is posted.
QList<double> Type(QPlainTextEdit *editor, PaintClock &paints, int keys,
                   const std::function<void()> &beforeKey)
{
    QList<double> latencies;
    for (int k = 0; k < keys; ++k) {
        Wait(40);
        beforeKey();
        const bool letter = k % 2 == 0;
        const int key = letter ? Qt::Key_A : Qt::Key_Backspace;
        const QString text = letter ? u"a"_s : QString();
        paints.lastPaintNs = -1;
        const qint64 posted = paints.clock.nsecsElapsed();
        QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyPress, key, {}, text));
        QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyRelease, key, {}, text));
        while (paints.lastPaintNs < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        latencies.append(double(paints.lastPaintNs - posted) / 1e6);
    }
    return latencies;
}

void Report(const char *what, QList<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double share) {
        return latencies.at(std::min(latencies.size() - 1, qsizetype(share * latencies.size())));
    };
    std::printf("%-16s median %6.2f  p90 %6.2f  p99 %6.2f  worst %6.2f ms  (%lld keys)\n", what,
                at(0.5), at(0.9), at(0.99), latencies.constLast(),
                static_cast<long long>(latencies.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int notes = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const qb::bench::Book &book = qb::bench::MakeBook(notes);
    QList<qb::FolderEntry> folders;
    for (const qb::BookSearchFolder &folder : book.folders)
        folders.append({folder.name, folder.dir});
    const QString bookPath = book.dir->filePath(u"book.qb"_s);
    qb::test::WriteBytes(bookPath, qb::test::BookBytes(u"Typing"_s, folders));

    qb::bench::BenchWindow w(bookPath);
    w.window->show();
    w.window->activateWindow();
    QPlainTextEdit *editor = w.editor();
    editor->setFocus();
    Wait(200);
    PaintClock paints(editor->viewport());
    paints.clock.start();
    constexpr int Keys = 250;
    const QList<double> idle = Type(editor, paints, Keys, [] {});

    w.action("T_mnuFIND_BOOK")->trigger();
    auto *text = w.child<QComboBox>("txtFINDBOOK");
    auto *find = w.child<QAbstractButton>("btnFINDBOOK");
    auto *stop = w.child<QAbstractButton>("btnSTOPBOOK");
    text->setEditText(qb::bench::Text);
    w.window->activateWindow();
    editor->setFocus();
    int searches = 0;
    const QList<double> busy = Type(editor, paints, Keys, [&] {
        if (!stop->isEnabled()) {
            find->click();
            ++searches;
        }
    });
    Report("idle", idle);
    Report("while searching", busy);
    std::printf("%d searches of %d notes ran meanwhile\n", searches, notes);
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
