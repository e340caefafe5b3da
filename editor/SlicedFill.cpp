#include "editor/SlicedFill.h"

#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"

#include <utility>

namespace qb {

SlicedFill::SlicedFill(NoteDocument &document, SliceRunner runSlice, QObject *parent)
    : QObject(parent), m_document(document), m_runSlice(std::move(runSlice))
{
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &SlicedFill::fillSome);
}

SlicedFill::~SlicedFill() = default;

void SlicedFill::start(const DecodedNote &note, qsizetype shown, std::function<void()> done)
{
    m_document.keptBytes().prepare(note);
    m_filler = std::make_unique<NoteFiller>(m_document, note, shown);
    m_done = std::move(done);
    fillSome();
}

void SlicedFill::stop()
{
    m_next.stop();
    m_filler.reset();
    m_done = {};
}

void SlicedFill::fillSome()
{
    if (m_filler) {
        // A slice of work between the window's events, short enough that it answers at once.
        constexpr int kSlice = 20;
        bool filled = false;
        m_runSlice([&] { filled = m_filler->fillFor(kSlice); });
        Q_EMIT progress(m_filler->percentDone());
        if (!filled) {
            m_next.start(0);
            return;
        }
        m_filler.reset();
    }
    // The bytes for the next save, worked out on a thread of the pool, are waited for between
    // the window's events.
    if (!m_document.keptBytes().isPrepared()) {
        m_next.start(10);
        return;
    }
    m_document.keptBytes().keepPrepared();
    std::exchange(m_done, {})();
}

} // namespace qb
