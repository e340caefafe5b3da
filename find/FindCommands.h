#pragma once

#include "find/TextSearch.h"

#include <QPointer>

class QWidget;

namespace qb {

class NoteDocument;
class NoteSession;
class NoteView;
class Platform;
class frmFIND;

// Tools > Find... and Find Next over the editor's text. The Find dialog is made on first use as
// a child of `dialogParent`, which deletes it; it hands over what to look for whenever that
// changes, and Find Next looks for the last of it.
class FindCommands
{
public:
    FindCommands(const NoteDocument &note, NoteView &view, const NoteSession &session,
                 Platform &platform, QWidget &dialogParent);
    ~FindCommands();

    // Tools > Find...: the dialog shown, or brought to the front unchanged.
    void showDialog();
    // Find Next: onwards from the caret, with the dialog's text and Match Case.
    void findNext();
    void closeDialog();

private:
    frmFIND &dialog();
    // Looks for `request.text` in the editor and selects the first match; a selection is left
    // at its end first, so that a match right after it counts.
    bool FindInNote(const FindRequest &request);
    void findFromDialog(const FindRequest &request);
    // Says why nothing was found: not there, or not read yet.
    void reportNotFound();

    const NoteDocument &m_note;
    NoteView &m_view;
    const NoteSession &m_session;
    Platform &m_platform;
    QWidget &m_dialogParent;
    QPointer<frmFIND> m_dialog;
    FindRequest m_request;
};

} // namespace qb
