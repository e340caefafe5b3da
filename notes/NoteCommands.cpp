#include "notes/NoteCommands.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "notes/NoteListModel.h"
#include "platform/Platform.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace qb {

NoteCommands::NoteCommands(frmQB &window) : m_window(window) {}

NoteCommands::~NoteCommands() = default;

NoteListModel &NoteCommands::noteModel()
{
    // Built on first use: the window makes its selectors after its command objects.
    if (!m_noteModel) {
        QComboBox *lstFILE = m_window.lstFILE();
        m_noteModel = new NoteListModel(lstFILE);
        lstFILE->setModel(m_noteModel);
        // A folder may hold thousands of notes: rows of one height open the list at once.
        if (auto *view = qobject_cast<QListView *>(lstFILE->view()))
            view->setUniformItemSizes(true);
        lstFILE->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    return *m_noteModel;
}

QString NoteCommands::NoteStatus() const
{
    return m_window.statusPanel(1)->text();
}

void NoteCommands::SetNoteStatus(const QString &status, bool showPath)
{
    const frmQBActions &a = m_window.actions();
    if (status == u"Unchanged") {
        a.tBAR[8]->setEnabled(false);
        a.F_mnuSAVE->setEnabled(false);
        a.T_mnuENCODE->setText(u"&Encode"_s);
    } else if (status == u"Changed") {
        if (m_replacingText == 0)
            m_edited = true;
        a.tBAR[8]->setEnabled(true);
        a.F_mnuSAVE->setEnabled(true);
    } else if (status == u"Decoded") {
        a.T_mnuENCODE->setText(u"&Encode"_s);
    } else if (status == u"Encoded") {
        a.T_mnuENCODE->setText(u"D&ecode"_s);
    }
    if (showPath) {
        const QString path = NoteShown() ? m_shownPath : NotePath();
        if (path.isEmpty())
            return;
        m_window.statusPanel(2)->setText(u"File: "_s + path);
        m_window.txtTEXT()->setEnabled(true);
    }
    m_window.statusPanel(1)->setText(status);
}

void NoteCommands::DisableNoteSave()
{
    m_window.actions().tBAR[8]->setEnabled(false);
    m_window.actions().F_mnuSAVE->setEnabled(false);
}

void NoteCommands::ShowNoFileSelected()
{
    if (m_window.lstFILE()->currentIndex() >= 0)
        return;
    ShowNoNote();
}

void NoteCommands::ShowNoNote()
{
    ForgetShownNote();
    NoteEditor *txtTEXT = m_window.txtTEXT();
    ++m_replacingText;
    txtTEXT->clear();
    --m_replacingText;
    txtTEXT->setEnabled(false);
    // Panel 1 is written directly: Save keeps the state the emptied editor left, and saves
    // nothing while no note is shown.
    m_window.statusPanel(1)->setText(u"Unchanged"_s);
    m_window.statusPanel(2)->setText(u"No File Selected"_s);
}

void NoteCommands::ForgetShownNote()
{
    m_shownPath.clear();
    m_shownFolderRow = 0;
    m_shownNoteRow = -1;
    m_fingerprint = {};
    m_format = {};
    m_edited = false;
}

int NoteCommands::SelectedFolderRow() const
{
    const QComboBox *lstFLDS = m_window.lstFLDS();
    if (lstFLDS->currentIndex() < 0)
        return 0;
    const int row = lstFLDS->currentData().toInt();
    return row >= 1 && row <= MaxFolders ? row : 0;
}

QString NoteCommands::SelectedFolderDir() const
{
    const int row = SelectedFolderRow();
    return row == 0 ? QString() : m_window.book().FolderDir(row);
}

bool NoteCommands::HasCurrentNote() const
{
    return SelectedFolderRow() != 0 && m_window.lstFILE()->currentIndex() >= 0;
}

QString NoteCommands::CurrentFileName() const
{
    if (!m_noteModel)
        return {};
    return m_noteModel->fileName(m_window.lstFILE()->currentIndex());
}

QString NoteCommands::CurrentNoteName() const
{
    return HasCurrentNote() ? m_window.lstFILE()->currentText() : QString();
}

QString NoteCommands::NotePath() const
{
    const QString fileName = CurrentFileName();
    const QString dir = SelectedFolderDir();
    if (fileName.isEmpty() || dir.isEmpty())
        return {};
    return NoteFilePath(dir, fileName);
}

void NoteCommands::SelectNoteRow(int row)
{
    QComboBox *lstFILE = m_window.lstFILE();
    const QSignalBlocker quiet(lstFILE);
    lstFILE->setCurrentIndex(row);
}

void NoteCommands::RefreshNoteList(int selectIndex)
{
    if (selectIndex < 0)
        selectIndex = 0;
    NoteListModel &model = noteModel();
    const QString dir = SelectedFolderDir();
    m_listedFolderRow = SelectedFolderRow();
    const NoteListing listing = dir.isEmpty() ? NoteListing() : ListNoteFiles(dir);
    {
        const QSignalBlocker quiet(m_window.lstFILE());
        model.setFileNames(listing.fileNames);
    }
    if (dir.isEmpty())
        return;
    // A folder that is there but cannot be read must not pass for one without notes.
    if (!listing.error.isEmpty() && QFileInfo::exists(dir)) {
        ReportFileError(u"Quirebox can't read the folder "_s + Quoted(dir) + u"."_s,
                        listing.error, u"Quirebox"_s);
    }
    const int count = model.rowCount();
    if (count == 0) {
        SelectNoteRow(-1);
        m_window.EnableCommands(false);
        return;
    }
    SelectNoteRow(std::min(selectIndex, count - 1));
    // What picking that row would remember; the note is then loaded once.
    m_window.session().LastFileName = m_window.lstFILE()->currentText();
    m_window.EnableCommands(true);
    LoadNote();
}

void NoteCommands::lstFLDS_Click()
{
    Session &session = m_window.session();
    const QString folderName = m_window.lstFLDS()->currentText();
    // Compared by row too: two folders may share a name, and the note commands must never
    // work on one folder's directory with the other folder's note list.
    if (folderName == session.LastFolderName && SelectedFolderRow() == m_listedFolderRow)
        return;
    if (!ConfirmLeaveNote()) {
        PutSelectorsBack();
        return;
    }
    RefreshNoteList(-1);
    session.LastFileName = m_window.lstFILE()->currentText();
    session.LastFolderName = folderName;
    ShowNoFileSelected();
}

void NoteCommands::lstFILE_Click()
{
    Session &session = m_window.session();
    const QString noteName = m_window.lstFILE()->currentText();
    // The file decides, not the name shown: "Ideas.txt" and "Ideas.TXT" both show as Ideas.
    if (NoteShown() && NotePath() == m_shownPath)
        return;
    if (!ConfirmLeaveNote()) {
        PutSelectorsBack();
        return;
    }
    LoadNote();
    session.LastFileName = noteName;
}

void NoteCommands::PutSelectorsBack()
{
    QComboBox *lstFLDS = m_window.lstFLDS();
    QComboBox *lstFILE = m_window.lstFILE();
    const QSignalBlocker quietFolders(lstFLDS);
    const QSignalBlocker quietNotes(lstFILE);
    int folder = m_shownFolderRow > 0 ? lstFLDS->findData(m_shownFolderRow) : -1;
    if (folder < 0)
        folder = lstFLDS->findText(m_window.session().LastFolderName, Qt::MatchExactly);
    if (folder >= 0)
        lstFLDS->setCurrentIndex(folder);
    if (m_shownNoteRow >= 0 && m_shownNoteRow < lstFILE->count())
        lstFILE->setCurrentIndex(m_shownNoteRow);
}

QString NoteCommands::UnsavedNoteText(const QString &question) const
{
    return u"The file: "_s + Quoted(m_shownPath) + u" isn't saved.\r\n"_s + question;
}

bool NoteCommands::ConfirmLeaveNote()
{
    if (m_codeSelection > 0 || !HasUnsavedEdits())
        return true;
    const QString text = UnsavedNoteText(u"Save this file before leaving it?"_s);
    switch (m_window.platform().messageBox(text, Platform::Buttons::YesNoCancel,
                                           Platform::Icon::Question, u"Save file?"_s)) {
    case Platform::Button::Yes:
        return SaveNote();
    case Platform::Button::No:
        return true;
    default:
        return false;
    }
}

} // namespace qb
