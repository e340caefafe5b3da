#include "notes/NoteNotice.h"

#include "notes/NoteSession.h"

using namespace Qt::StringLiterals;

namespace qb {

NoteNotice::NoteNotice(const NoteSession &session, QObject *parent) : QObject(parent)
{
    connect(&session, &NoteSession::shownChanged, this, &NoteNotice::clearNoteNews);
    connect(&session, &NoteSession::statusChanged, this, [this, &session](NoteStatus status) {
        if (session.isReturningToSettled())
            return;
        if (status == NoteStatus::Unchanged || status == NoteStatus::Decoded ||
            status == NoteStatus::Decrypted)
            clearNoteNews();
    });
}

void NoteNotice::post(Kind kind, const QString &text)
{
    m_kind = kind;
    m_text = kind == Kind::None ? QString() : text;
    Q_EMIT changed();
}

void NoteNotice::clearNoteNews()
{
    if (m_kind != Kind::FolderInfo)
        clear();
}

void NoteNotice::clear()
{
    if (m_kind != Kind::None)
        post(Kind::None, {});
}

QString changedOnDiskText()
{
    return u"The file was changed by another program."_s;
}

QString removedOnDiskText()
{
    return u"The file was removed by another program."_s;
}

QString cantReadText(const QString &path, const QString &reason)
{
    return u"Quirebox can't read the file \""_s + path + u"\". "_s + reason;
}

} // namespace qb
