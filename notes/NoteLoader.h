#pragma once

#include "encoder/NoteCodec.h"
#include "notes/NoteFileIo.h"
#include "platform/NoteFingerprint.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>

#include <memory>
#include <optional>

namespace qb {

class FileReader;

// Reads and decodes a large note on a thread of the pool, so that the window goes on answering:
// it tells the window of the note's first screen as soon as that much is read, then of the whole
// note, both as results of the load's future. A new start or a cancel drops the load under way,
// and nothing more of it is told.
class NoteLoader final : public QObject
{
    Q_OBJECT
public:
    explicit NoteLoader(QObject *parent = nullptr);
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
    // What a load tells, in order: its first screen, then the whole note.
    struct News
    {
        std::optional<DecodedNote> firstScreen;
        std::shared_ptr<LoadedNote> whole; // taken out by the window's thread
    };
    static void run(QPromise<News> &promise, const QString &path, qint64 largest);
    // Reads the file at `path` into `bytes`: its fingerprint, or why it could not be read.
    static LoadedNote readWhole(QPromise<News> &promise, const QString &path, qint64 largest,
                                QByteArray &bytes);
    // Reads `reader` into `bytes` piece by piece, until it is all in or the load is dropped,
    // telling the first screen once that much is in: how many bytes came.
    static qint64 readPieces(QPromise<News> &promise, FileReader &reader, QByteArray &bytes,
                             FingerprintBuilder &fingerprint);

    QFutureWatcher<News> m_load;
    LoadedNote m_result;
};

} // namespace qb
