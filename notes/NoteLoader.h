#pragma once

#include "encoder/NoteCodec.h"
#include "notes/NoteFingerprint.h"
#include "notes/NoteSession.h"

#include <QFuture>
#include <QObject>
#include <QPromise>

#include <optional>

namespace qb {

// A note read and decoded off the window's thread.
struct LoadedNote
{
    QString error; // why it could not be read; empty when it was
    ShowableNote showable;
    NoteFingerprint fingerprint;
};

// Reads and decodes a large note on a thread of the pool, so that the window goes on answering:
// it tells the window of the note's first screen as soon as that much is read, then of the whole
// note. A new start or a cancel drops the load under way, and nothing more of it is told.
class NoteLoader final : public QObject
{
    Q_OBJECT
public:
    explicit NoteLoader(QObject *parent = nullptr);
    // Stops a load under way and waits for its thread to let go.
    ~NoteLoader() override;

    // Reads `path`, at most `largest` bytes.
    void start(const QString &path, qint64 largest);
    void cancel();
    // The note, once finished() was emitted.
    LoadedNote takeResult();

Q_SIGNALS:
    // The beginning of the note, whole lines, decoded as its start alone would be.
    void firstScreen(const qb::DecodedNote &beginning);
    void finished();

private:
    void run(QPromise<void> &promise, quint64 load, const QString &path, qint64 largest);

    QFuture<void> m_job;
    quint64 m_load = 0; // counts the loads started: what a dropped one posts is not heard
    LoadedNote m_result;
};

} // namespace qb
