#include "platform/StateFile.h"

#include "platform/Background.h"
#include "platform/PrivateFiles.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// A state file larger than this is not the program's: it is not read.
constexpr qint64 kLargestStateFile = 16 * 1024 * 1024;

qint64 monotonicMilliseconds()
{
    QElapsedTimer now;
    now.start();
    return now.msecsSinceReference();
}

} // namespace

QString stateHome()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    return state.isEmpty() || !QDir::isAbsolutePath(state) ? QDir::homePath() + u"/.local/state"_s
                                                           : state;
}

QString defaultStateFile()
{
    return QDir::cleanPath(stateHome() + u"/quirebox/state.json"_s);
}

QJsonObject readStateFile(const QString &path)
{
    const ReadResult read = readWholeFile(path, kLargestStateFile);
    if (!read.ok())
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes, &error);
    return error.error == QJsonParseError::NoError && document.isObject() ? document.object()
                                                                          : QJsonObject();
}

StateFileWriter::StateFileWriter(QString path, QObject *parent)
    : QObject(parent), m_path(std::move(path))
{
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &StateFileWriter::writeWaiting);
}

StateFileWriter::~StateFileWriter()
{
    flush();
}

void StateFileWriter::schedule(QJsonObject state)
{
    m_waiting = std::move(state);
    if (m_due.isActive())
        return;
    // The gap counts from the end of the last write: a slow disk does not shorten it.
    qint64 since = kMinimumGapMilliseconds;
    if (m_writing.isRunning())
        since = 0;
    else if (m_writing.resultCount() > 0)
        since = monotonicMilliseconds() - m_writing.result();
    m_due.start(
        int(std::clamp<qint64>(kMinimumGapMilliseconds - since, 0, kMinimumGapMilliseconds)));
}

void StateFileWriter::flush()
{
    m_due.stop();
    writeWaiting();
    m_writing.waitForFinished();
}

void StateFileWriter::writeWaiting()
{
    if (!m_waiting)
        return;
    // One write at a time, in order: the next waits for the one under way.
    if (m_writing.isRunning()) {
        m_due.start(kMinimumGapMilliseconds / 10);
        return;
    }
    const QByteArray bytes = QJsonDocument(*std::exchange(m_waiting, std::nullopt)).toJson();
    m_writing = runInBackground<qint64>([path = m_path, bytes](QPromise<qint64> &written) {
        // A state that cannot be written is lost for this run only: nothing to tell.
        if (!makePrivateFolder(QFileInfo(path).path()))
            writeWholeFile(path, bytes, WriteMode::ReplaceEntry);
        written.addResult(monotonicMilliseconds());
    });
}

} // namespace qb
