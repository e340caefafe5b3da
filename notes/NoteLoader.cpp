#include "notes/NoteLoader.h"

#include "encoder/AgeFile.h"
#include "notes/NoteSize.h"
#include "platform/Background.h"
#include "platform/SafeFile.h"

namespace qb {

namespace {

// The first screen comes from this much of the file, cut at its last line end.
constexpr qsizetype kFirstScreenBytes = 64 * 1024;
// The file is read in pieces of this size, so that a cancel is heard soon.
constexpr qsizetype kReadAtOnce = 4 * 1024 * 1024;

} // namespace

NoteLoader::NoteLoader(QObject *parent) : QObject(parent) {}

NoteLoader::~NoteLoader()
{
    cancel();
}

void NoteLoader::start(const QString &path, qint64 largest)
{
    cancel();
    m_job = runInBackground<void>([this, load = ++m_load, path, largest](QPromise<void> &promise) {
        run(promise, load, path, largest);
    });
}

void NoteLoader::cancel()
{
    QFuture<void> job = std::exchange(m_job, {});
    ++m_load;
    job.cancel();
    // The thread posts to this object while it runs: it must let go before this may go.
    job.waitForFinished();
}

LoadedNote NoteLoader::takeResult()
{
    return std::move(m_result);
}

void NoteLoader::run(QPromise<void> &promise, quint64 load, const QString &path, qint64 largest)
{
    // Tells the window, on its thread, unless the load was dropped meanwhile.
    const auto post = [this, &promise, load](auto tell) {
        if (!promise.isCanceled()) {
            QMetaObject::invokeMethod(
                this,
                [this, load, tell = std::move(tell)]() mutable {
                    if (m_load == load)
                        tell();
                },
                Qt::QueuedConnection);
        }
    };

    LoadedNote result;
    FileReader reader(path);
    QByteArray bytes;
    if (!reader.isOpen()) {
        result.error = reader.error();
    } else if (reader.size() > largest) {
        result.error = tooLargeToOpenText(reader.size());
    } else {
        bytes.resize(reader.size());
        FingerprintBuilder fingerprint;
        qint64 done = 0;
        bool firstScreenTold = false;
        while (done < bytes.size() && !promise.isCanceled()) {
            const qint64 got = reader.read(bytes.data() + done,
                                           std::min<qint64>(kReadAtOnce, bytes.size() - done));
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
                // A binary age file has no first screen to show: its armour comes whole.
                if (!isAgeFile(beginning)) {
                    post([this, screen = decodeNoteBytes(beginning)] {
                        Q_EMIT firstScreen(screen);
                    });
                }
            }
        }
        if (!promise.isCanceled()) {
            if (!reader.atExpectedEnd(done))
                result.error = reader.error();
            else
                result.fingerprint = fingerprint.finish(path);
        }
    }
    if (result.error.isEmpty() && !promise.isCanceled())
        result.showable = showableNoteOf(std::move(bytes));
    bytes = QByteArray();

    post([this, result = std::make_shared<LoadedNote>(std::move(result))] {
        m_result = std::move(*result);
        m_job = {};
        Q_EMIT finished();
    });
}

} // namespace qb
