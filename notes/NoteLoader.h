#pragma once

#include "notes/NoteCodec.h"
#include "notes/NoteDocument.h"
#include "notes/NoteFingerprint.h"

#include <QObject>

#include <memory>
#include <optional>

class QTextDocument;

namespace qb {

// A note read and built into a document off the window's thread.
struct LoadedNote
{
    QString error; // why it could not be read; empty when it was
    NoteFormat format;
    NoteFingerprint fingerprint;
    std::optional<QByteArray> encodedBytes; // the bytes of an encoded note, to be deciphered
    std::unique_ptr<QTextDocument> document; // on the window's thread, ready to be shown
};

// Loads a large note without holding up the window: the file is read, decoded and built into a
// document on a thread of the pool, and the window is told of the note's first screen at once,
// of the progress, and of the end. A new start or a cancel drops the load under way; what it
// made is deleted, and nothing more of it is told.
class NoteLoader final : public QObject
{
    Q_OBJECT
public:
    explicit NoteLoader(QObject *parent = nullptr);
    // Stops a load under way and waits for its thread to let go.
    ~NoteLoader() override;

    // Reads `path`, at most `largest` bytes, into a document laid out as `look`.
    void start(const QString &path, qint64 largest, const DocumentLook &look);
    void cancel();
    bool isLoading() const { return m_job != nullptr; }
    // The note once finished() was emitted.
    LoadedNote takeResult();

Q_SIGNALS:
    // The beginning of the note, decoded, to show while the rest loads.
    void firstScreen(const qb::DecodedNote &beginning);
    void progress(int percent);
    void finished();

private:
    struct Job;
    void run(const std::shared_ptr<Job> &job);

    std::shared_ptr<Job> m_job;
    LoadedNote m_result;
};

} // namespace qb
