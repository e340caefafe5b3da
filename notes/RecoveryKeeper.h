#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace qb {

class NoteDocument;
class NoteNotice;
class NoteSession;
class Platform;
class RecoveryWriter;

// Keeps a recovery copy of the shown note's unsaved edits, so that a crash loses at most the last
// two seconds of them: the first edit after a copy starts a timer, and when it runs out the note
// is copied as a save would write it, and written on the writer's thread. The copy goes when the
// edits are saved or dropped. A secret note (NoteSession::keepsTextSecret) is never copied, and
// the copy of a note that turns secret goes: its clear text stays off the disk.
class RecoveryKeeper final : public QObject
{
    Q_OBJECT
public:
    // The longest a copy lags behind the text.
    static constexpr int kMaxLagMilliseconds = 2000;

    RecoveryKeeper(const NoteSession &session, NoteDocument &document, RecoveryWriter &writer,
                   NoteNotice &notice, Platform &platform, QObject *parent = nullptr);

    // Copies the edits now and waits until the copy is on the disk: the program is about to end.
    void writeNow();
    // The program ends as it should: no copy is kept.
    void discardAll();
    // Off, no copy is taken: to measure what copying costs.
    void setEnabled(bool enabled) { m_enabled = enabled; }

private:
    void edited();
    // The copy of the note at `path` is no longer wanted.
    void drop(const QString &path);
    void notWritten(const QString &notePath, const QString &reason);
    // Schedules a copy of the edits as they are now.
    void copy();

    const NoteSession &m_session;
    NoteDocument &m_document;
    RecoveryWriter &m_writer;
    NoteNotice &m_notice;
    Platform &m_platform;
    QTimer m_lag;
    QString m_copied; // the note whose copy was last scheduled
    bool m_enabled = true;
    bool m_toldNotWritten = false; // while the note is shown
};

} // namespace qb
