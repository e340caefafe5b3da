#pragma once

#include "find/BookSearch.h"

#include <QList>
#include <QObject>
#include <QThreadPool>

#include <memory>

namespace qb {

class NoteIndex;

// Reads every note of a book's folders into a NoteIndex, on threads of its own, in parallel;
// the index keeps answering from what it held until the whole book is in. One build at a time:
// start() stops the one under way. Destroying the builder stops it and waits; the index must
// outlive it.
class NoteIndexBuilder : public QObject
{
    Q_OBJECT

public:
    explicit NoteIndexBuilder(NoteIndex &index, QObject *parent = nullptr);
    ~NoteIndexBuilder() override;

    void start(const QList<BookSearchFolder> &folders);
    // finished() is not sent, and the index keeps what it holds unless the last thread was
    // already handing it the book.
    void cancel();
    bool isRunning() const { return m_run != nullptr; }
    // Waits for the threads of the builds started so far; false when `ms` passed first. The
    // index holds the book once this returns true after a build that was not cancelled.
    bool waitForThreads(int ms = -1);

Q_SIGNALS:
    // The index holds the book read by the last start().
    void finished();

private:
    struct Run;
    friend struct Run;
    void deliverFinished(quint64 generation);

    NoteIndex &m_index;
    QThreadPool m_pool;
    std::shared_ptr<Run> m_run;
    quint64 m_generation = 0;
};

} // namespace qb
