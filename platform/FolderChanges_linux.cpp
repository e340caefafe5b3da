#include "platform/FolderChanges.h"
#include "platform/RetryOnInterrupt.h"

#include <QFile>

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace qb {
namespace {

// File systems whose every change is made by this machine's kernel, which reports it. A network
// file system is changed by other machines unseen; a user space one may not report at all.
bool changesAreAllSeen(const QByteArray &systemDir)
{
    struct statfs info;
    if (::statfs(systemDir.constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x9123683E: // btrfs
    case 0x58465342: // xfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // f2fs
    case 0x3153464A: // jfs
    case 0xCA451A4E: // bcachefs
    case 0x2FC12FC1: // zfs
        return true;
    default:
        return false;
    }
}

constexpr uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kLostEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

} // namespace

FolderChanges::FolderChanges() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderChanges::~FolderChanges()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderChanges::watch(const QString &dir)
{
    const QByteArray systemDir = QFile::encodeName(dir);
    if (m_fd < 0 || !changesAreAllSeen(systemDir))
        return false;
    const int watch = ::inotify_add_watch(m_fd, systemDir.constData(),
                                          kFileEvents | kLostEvents | IN_ONLYDIR | IN_EXCL_UNLINK);
    if (watch < 0)
        return false;
    // A directory given twice, under two names, has one watch: the first name keeps it.
    if (!m_dirOfWatch.contains(watch))
        m_dirOfWatch.insert(watch, dir);
    return m_dirOfWatch.value(watch) == dir;
}

void FolderChanges::unwatchAll()
{
    for (auto it = m_dirOfWatch.cbegin(); it != m_dirOfWatch.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_dirOfWatch.clear();
    // The removals' own events must not come out of the next take().
    take();
}

QList<FolderChanges::Change> FolderChanges::take()
{
    QList<Change> changes;
    if (m_fd < 0)
        return changes;
    alignas(struct inotify_event) std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t got =
            retryOnInterrupt([&] { return ::read(m_fd, buffer.data(), buffer.size()); });
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const struct inotify_event *>(buffer.data() + at);
            at += ssize_t(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Changes were dropped: every directory may have changed, and what it holds
                // is no longer known for sure.
                for (const QString &dir : std::as_const(m_dirOfWatch))
                    changes.append({dir, {}});
                for (auto it = m_dirOfWatch.cbegin(); it != m_dirOfWatch.cend(); ++it)
                    ::inotify_rm_watch(m_fd, it.key());
                m_dirOfWatch.clear();
                continue;
            }
            const auto dir = m_dirOfWatch.constFind(event->wd);
            if (dir == m_dirOfWatch.cend())
                continue;
            if (event->mask & kLostEvents) {
                changes.append({*dir, {}});
                if (!(event->mask & IN_IGNORED))
                    ::inotify_rm_watch(m_fd, event->wd);
                m_dirOfWatch.erase(dir);
            } else if (event->len > 0) {
                changes.append({*dir, QFile::decodeName(event->name)});
            }
        }
    }
    return changes;
}

} // namespace qb
