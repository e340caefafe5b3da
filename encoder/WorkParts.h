#pragma once

// Work on a large note shared out between threads. Used by the age format.

#include <QThread>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace qb::age {

// Into how many parts `size` bytes of work go: one for each processor, each of 4 MiB at least,
// since for less a thread costs more to start than it saves.
inline int partsFor(qsizetype size)
{
    constexpr qsizetype kLeastPart = 4 << 20;
    constexpr qsizetype kMostParts = 8;
    const qsizetype most = std::clamp<qsizetype>(QThread::idealThreadCount(), 1, kMostParts);
    return int(std::clamp<qsizetype>(size / kLeastPart, 1, most));
}

// work(part) for every part: the first on this thread, each other one on a thread of its own
// (or here too, when the system gives no thread).
template <typename Work> void runParts(int parts, const Work &work)
{
    std::vector<std::thread> threads;
    for (int part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(work, part);
        } catch (const std::system_error &) {
            work(part);
        }
    }
    work(0);
    for (std::thread &thread : threads)
        thread.join();
}

// work(first, end) over the units [0, units), in batches of `batch` taken in turn by a thread
// per part, this one among them: a thread that other programs slow down takes fewer.
template <typename Work>
void runBatches(int parts, qsizetype units, qsizetype batch, const Work &work)
{
    std::atomic<qsizetype> next = 0;
    runParts(parts, [&](int) {
        for (qsizetype first = next.fetch_add(batch); first < units; first = next.fetch_add(batch))
            work(first, std::min(first + batch, units));
    });
}

} // namespace qb::age
