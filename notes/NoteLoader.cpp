#include "notes/NoteLoader.h"

#include "encoder/EncodedNote.h"
#include "notes/NoteSize.h"
#include "platform/SafeFile.h"

#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>

namespace qb {

namespace {

// The first screen comes from this much of the file, cut at its last line end.
constexpr qsizetype kFirstScreenBytes = 64 * 1024;
// The file is read in pieces of this size, so that a cancel is heard soon.
constexpr qsizetype kReadPiece = 4 * 1024 * 1024;

} // namespace

struct NoteLoader::Job
{
    QString path;
    qint64 largest = 0;
    std::atomic<bool> cancelled = false;
    QMutex mutex;
    QWaitCondition done;
    bool running = true;
};

NoteLoader::NoteLoader(QObject *parent) : QObject(parent) {}

NoteLoader::~NoteLoader()
{
    cancel();
}

void NoteLoader::start(const QString &path, qint64 largest)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->largest = largest;
    m_job = job;
    QThreadPool::globalInstance()->start([this, job] { run(job); });
}

void NoteLoader::cancel()
{
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job)
        return;
    job->cancelled = true;
    // The thread posts to this object while it runs: it must let go before this may go.
    const QMutexLocker lock(&job->mutex);
    while (job->running)
        job->done.wait(&job->mutex);
}

LoadedNote NoteLoader::takeResult()
{
    return std::move(m_result);
}

void NoteLoader::run(const std::shared_ptr<Job> &job)
{
    // Tells the window, on its thread, unless the load was dropped meanwhile.
    const auto post = [this, job](auto tell) {
        if (!job->cancelled) {
            QMetaObject::invokeMethod(
                this,
                [this, job, tell = std::move(tell)]() mutable {
                    if (m_job == job)
                        tell();
                },
                Qt::QueuedConnection);
        }
    };

    LoadedNote result;
    FileReader reader(job->path);
    QByteArray bytes;
    if (!reader.isOpen()) {
        result.error = reader.error();
    } else if (reader.size() > job->largest) {
        result.error = TooLargeToOpenText(reader.size());
    } else {
        bytes.resize(reader.size());
        FingerprintBuilder fingerprint;
        qint64 done = 0;
        bool firstScreenTold = false;
        while (done < bytes.size() && !job->cancelled) {
            const qint64 got =
                reader.read(bytes.data() + done, std::min<qint64>(kReadPiece, bytes.size() - done));
            if (got <= 0)
                break;
            fingerprint.add(QByteArrayView(bytes).sliced(done, got));
            done += got;
            if (!firstScreenTold && done >= std::min(kFirstScreenBytes, bytes.size())) {
                firstScreenTold = true;
                QByteArrayView beginning =
                    QByteArrayView(bytes).first(std::min<qsizetype>(kFirstScreenBytes, done));
                if (const qsizetype lineEnd = beginning.lastIndexOf('\n'); lineEnd > 0)
                    beginning = beginning.first(lineEnd + 1);
                post([this, screen = DecodeNoteBytes(beginning)] { Q_EMIT firstScreen(screen); });
            }
        }
        if (!job->cancelled) {
            if (!reader.atExpectedEnd(done))
                result.error = reader.error();
            else
                result.fingerprint = fingerprint.finish(job->path);
        }
    }
    if (result.error.isEmpty() && !job->cancelled) {
        result.note = DecodeNoteBytes(bytes);
        if (IsNoteEncoded(bytes))
            result.encodedBytes = std::move(bytes);
    }
    bytes = QByteArray();

    post([this, result = std::make_shared<LoadedNote>(std::move(result))] {
        m_result = std::move(*result);
        m_job.reset();
        Q_EMIT finished();
    });
    const QMutexLocker lock(&job->mutex);
    job->running = false;
    job->done.wakeAll();
}

} // namespace qb
