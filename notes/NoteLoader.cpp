#include "notes/NoteLoader.h"

#include "encoder/AgeFile.h"
#include "platform/Background.h"
#include "platform/SafeFile.h"
#include "platform/SizeText.h"

namespace qb {

namespace {

// The first screen comes from this much of the file, cut at its last line end.
constexpr qsizetype kFirstScreenBytes = 64 * 1024;
// The file is read in pieces of this size, so that a cancel is heard soon.
constexpr qsizetype kReadAtOnce = 4 * 1024 * 1024;

// The first screen of a note whose first bytes are `read`: whole lines of kFirstScreenBytes at
// most, decoded as they would be alone. None for a binary age file, whose armour comes whole.
std::optional<DecodedNote> firstScreenOf(QByteArrayView read)
{
    QByteArrayView beginning = read.first(std::min(kFirstScreenBytes, read.size()));
    if (const qsizetype lineEnd = beginning.lastIndexOf('\n'); lineEnd > 0)
        beginning = beginning.first(lineEnd + 1);
    if (isAgeFile(beginning))
        return std::nullopt;
    return decodeNoteBytes(beginning);
}

} // namespace

NoteLoader::NoteLoader(QObject *parent) : QObject(parent)
{
    // A dropped load's results are never told: the watcher lets go of its future first.
    connect(&m_load, &QFutureWatcherBase::resultReadyAt, this, [this](int at) {
        const News news = m_load.resultAt(at);
        if (news.firstScreen) {
            Q_EMIT firstScreen(*news.firstScreen);
        } else if (news.whole) {
            m_result = std::move(*news.whole);
            Q_EMIT finished();
        }
    });
}

NoteLoader::~NoteLoader()
{
    cancel();
}

void NoteLoader::start(const QString &path, qint64 largest)
{
    cancel();
    m_load.setFuture(runInBackground<News>(
        [path, largest](QPromise<News> &promise) { run(promise, path, largest); }));
}

void NoteLoader::cancel()
{
    // The load's thread sees the cancel between its reads and ends on its own.
    m_load.future().cancel();
    m_load.setFuture({});
}

LoadedNote NoteLoader::takeResult()
{
    return std::move(m_result);
}

void NoteLoader::run(QPromise<News> &promise, const QString &path, qint64 largest)
{
    QByteArray bytes;
    LoadedNote result = readWhole(promise, path, largest, bytes);
    if (result.error.isEmpty() && !promise.isCanceled())
        result.showable = showableNoteOf(std::move(bytes));
    bytes = QByteArray();

    promise.addResult(News{std::nullopt, std::make_shared<LoadedNote>(std::move(result))});
}

LoadedNote NoteLoader::readWhole(QPromise<News> &promise, const QString &path, qint64 largest,
                                 QByteArray &bytes)
{
    LoadedNote result;
    FileReader reader(path);
    if (!reader.isOpen()) {
        result.error = reader.error();
        return result;
    }
    if (reader.size() > largest) {
        result.error = tooLargeToOpenText(reader.size());
        return result;
    }
    bytes.resize(reader.size());
    FingerprintBuilder fingerprint;
    const qint64 done = readPieces(promise, reader, bytes, fingerprint);
    if (promise.isCanceled())
        return result;
    if (!reader.atExpectedEnd(done))
        result.error = reader.error();
    else
        result.fingerprint = fingerprint.finish(path);
    return result;
}

qint64 NoteLoader::readPieces(QPromise<News> &promise, FileReader &reader, QByteArray &bytes,
                              FingerprintBuilder &fingerprint)
{
    qint64 done = 0;
    bool firstScreenTold = false;
    while (done < bytes.size() && !promise.isCanceled()) {
        const qint64 got =
            reader.read(bytes.data() + done, std::min<qint64>(kReadAtOnce, bytes.size() - done));
        if (got <= 0)
            break;
        fingerprint.add(QByteArrayView(bytes).sliced(done, got));
        done += got;
        if (!firstScreenTold && done >= std::min(kFirstScreenBytes, bytes.size())) {
            firstScreenTold = true;
            if (std::optional<DecodedNote> beginning =
                    firstScreenOf(QByteArrayView(bytes).first(done)))
                promise.addResult(News{std::move(beginning), nullptr});
        }
    }
    return done;
}

} // namespace qb
