#pragma once

#include <QFuture>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <optional>

namespace qb {

// $XDG_STATE_HOME, or ~/.local/state when it is unset or not absolute: where the program keeps
// its own state (this file, the recovery copies).
QString stateHome();

// The file that keeps the program's own state between runs (recent books, the window, places in
// notes, the editor's zoom and font): $XDG_STATE_HOME/quirebox/state.json, or
// ~/.local/state/quirebox/state.json. Never in a note folder or a book file.
QString defaultStateFile();

// The state kept in `path`: an empty object when there is none, or it cannot be read, or it is
// not a JSON object. A damaged state file is never an error: the program starts as new.
QJsonObject readStateFile(const QString &path);

// Writes the state with the safe write, off the window's thread and at most once a second: a
// state given while one waits takes its place. The folder and the file are the user's alone.
class StateFileWriter final : public QObject
{
public:
    explicit StateFileWriter(QString path, QObject *parent = nullptr);
    // Writes what waits, and waits for the write.
    ~StateFileWriter() override;

    void schedule(QJsonObject state);
    // Writes what waits now, and waits until the write is done.
    void flush();

    static constexpr int kMinimumGapMilliseconds = 1000;

private:
    void writeWaiting();

    QString m_path;
    QTimer m_due;
    std::optional<QJsonObject> m_waiting;
    // Tells when the write ended, on the monotonic clock.
    QFuture<qint64> m_writing;
};

} // namespace qb
