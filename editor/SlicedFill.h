#pragma once

#include "encoder/NoteCodec.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace qb {

class NoteDocument;
class NoteFiller;

// Puts a large note into a NoteDocument in slices between the window's events, so that the
// window keeps answering and what is in already can be read; the note's bytes for the next
// save are worked out on a thread of the pool meanwhile, and kept once all of it is in.
class SlicedFill final : public QObject
{
    Q_OBJECT
public:
    // Runs one slice of the fill: the caller may tell that the text put in is the program's.
    using SliceRunner = std::function<void(const std::function<void()> &slice)>;

    SlicedFill(NoteDocument &document, SliceRunner runSlice, QObject *parent = nullptr);
    ~SlicedFill() override;

    // Puts `note` in after the first `shown` characters of it, which the document holds
    // already; `done` runs once all of it is in and its bytes are kept.
    void start(const DecodedNote &note, qsizetype shown, std::function<void()> done);
    // Stops a fill under way; what it put in stays, and `done` never runs.
    void stop();
    bool isRunning() const { return bool(m_done); }

Q_SIGNALS:
    // How far the fill has come, in percent.
    void progress(int percent);

private:
    void fillSome();

    NoteDocument &m_document;
    SliceRunner m_runSlice;
    QTimer m_next;
    std::unique_ptr<NoteFiller> m_filler;
    std::function<void()> m_done; // empty when no fill is under way
};

} // namespace qb
