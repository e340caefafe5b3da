#include "notes/NoteLoader.h"

#include "encoder/EncodedNote.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QMutex>
#include <QRunnable>
#include <QTextDocument>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The first screen comes from this much of the file, cut at its last line end.
constexpr qsizetype kFirstScreenBytes = 64 * 1024;
// The file is read in pieces of this size, to tell the progress.
constexpr qsizetype kReadPiece = 4 * 1024 * 1024;
// Reading is this part of the whole work, in percent; building the document the rest.
constexpr int kReadShare = 20;

} // namespace

struct NoteLoader::Job
{
    QString path;
    qint64 largest = 0;
    DocumentLook look;
    std::atomic<bool> cancelled = false;
    QMutex mutex;
    QWaitCondition done;
    bool running = true;
    LoadedNote result;
};

NoteLoader::NoteLoader(QObject *parent) : QObject(parent) {}

NoteLoader::~NoteLoader()
{
    cancel();
}

void NoteLoader::start(const QString &path, qint64 largest, const DocumentLook &look)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->largest = largest;
    job->look = look;
    m_job = job;
    QThreadPool::globalInstance()->start([this, job] { run(job); });
}

void NoteLoader::cancel()
{
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job)
        return;
    job->cancelled = true;
    // The thread must let go of this object before it may go: it posts to it while it runs.
    const QMutexLocker lock(&job->mutex);
    while (job->running)
        job->done.wait(&job->mutex);
    // A document that reached this thread before the cancel is deleted here.
    job->result.document.reset();
}

LoadedNote NoteLoader::takeResult()
{
    return std::move(m_result);
}

void NoteLoader::run(const std::shared_ptr<Job> &job)
{
    // Tells the window on its thread, unless the load was dropped meanwhile.
    const auto post = [this, job](auto &&tell) {
        if (job->cancelled)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, job, tell = std::forward<decltype(tell)>(tell)]() mutable {
                if (m_job == job)
                    tell();
            },
            Qt::QueuedConnection);
    };

    LoadedNote &result = job->result;
    FileReader reader(job->path);
    QByteArray bytes;
    if (!reader.isOpen()) {
        result.error = reader.error();
    } else if (reader.size() > job->largest) {
        result.error = u"The file holds %1, more than Quirebox can open."_s.arg(
            SizeText(reader.size()));
    } else {
        bytes.resize(reader.size());
        FingerprintBuilder fingerprint;
        qint64 done = 0;
        bool firstScreenShown = false;
        while (done < bytes.size() && !job->cancelled) {
            const qint64 got = reader.read(bytes.data() + done,
                                           std::min<qint64>(kReadPiece, bytes.size() - done));
            if (got <= 0)
                break;
            fingerprint.add(QByteArrayView(bytes).sliced(done, got));
            done += got;
            if (!firstScreenShown && done >= std::min(kFirstScreenBytes, bytes.size())) {
                firstScreenShown = true;
                QByteArrayView beginning = QByteArrayView(bytes).first(
                    std::min<qsizetype>(kFirstScreenBytes, done));
                if (const qsizetype lineEnd = beginning.lastIndexOf('\n'); lineEnd > 0)
                    beginning = beginning.first(lineEnd + 1);
                post([this, screen = DecodeNoteBytes(beginning)] { Q_EMIT firstScreen(screen); });
            }
            post([this, percent = int(done * kReadShare / std::max<qint64>(bytes.size(), 1))] {
                Q_EMIT progress(percent);
            });
        }
        if (!job->cancelled) {
            if (!reader.error().isEmpty() || !reader.atExpectedEnd(done))
                result.error = reader.error();
            else
                result.fingerprint = fingerprint.finish(job->path);
        }
    }

    if (result.error.isEmpty() && !job->cancelled) {
        const DecodedNote note = DecodeNoteBytes(bytes);
        result.format = note.format;
        if (IsNoteEncoded(bytes))
            result.encodedBytes = std::move(bytes);
        bytes = QByteArray();
        result.document = BuildNoteDocument(note, job->look, [&](int percent) {
            post([this, percent = kReadShare + percent * (100 - kReadShare) / 100] {
                Q_EMIT progress(percent);
            });
            return !job->cancelled;
        });
    }

    // The document goes to the window's thread only when it is still wanted there; cancel()
    // waits on this lock, so it cannot slip in between.
    const QMutexLocker lock(&job->mutex);
    if (job->cancelled) {
        result.document.reset();
    } else {
        if (result.document)
            result.document->moveToThread(QCoreApplication::instance()->thread());
        QMetaObject::invokeMethod(
            this,
            [this, job] {
                if (m_job != job) {
                    job->result.document.reset(); // on the thread it belongs to now
                    return;
                }
                m_result = std::move(job->result);
                m_job.reset();
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    }
    job->running = false;
    job->done.wakeAll();
}

} // namespace qb
