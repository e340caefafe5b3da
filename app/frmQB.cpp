#include "app/frmQB.h"

#include "app/SvgPicture.h"
#include "app/Version.h"
#include "book/Book.h"
#include "book/BookCommands.h"
#include "book/BookStore.h"
#include "book/FolderListModel.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "encoder/EncoderCommands.h"
#include "find/FindBookCommands.h"
#include "find/FindCommands.h"
#include "folders/FolderCommands.h"
#include "launch/LaunchCommands.h"
#include "notes/CurrentNote.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "notes/NoteWatcher.h"
#include "platform/CommonDialog.h"
#include "platform/Platform.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// Shows `index` in `selector` without reporting it as the user's pick.
void ShowCurrent(QComboBox *selector, int index)
{
    const QSignalBlocker quiet(selector);
    selector->setCurrentIndex(index);
}

} // namespace

frmQB::frmQB(Platform &platform, QWidget *parent) : QMainWindow(parent), m_platform(platform)
{
    setObjectName(u"frmQB"_s);
    setWindowIcon(SvgPictureIcon(u":/icons/quirebox.svg"_s));
    m_book = new Book(this);
    m_session = new NoteSession(this);
    m_notice = new NoteNotice(*m_session, this);
    createControls();
    createMenus();
    createToolBar();
    createStatusBar();
    createCommands();
    connectCommands();
    connectViews();
    const int width = std::max(Px(9270), m_tBAR->geometry().right() + Px(30));
    resize(width, Px(6060) + menuBar()->sizeHint().height());
}

frmQB::~frmQB() = default;

void frmQB::createCommands()
{
    m_cancelLoad = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelLoad->setObjectName(u"cancelLoad"_s);
    m_cancelLoad->setEnabled(false);
    m_cD = std::make_unique<CommonDialog>();
    m_bookStore = std::make_unique<BookStore>(*m_book, m_platform);
    m_currentNote = new CurrentNote(*m_session, *m_txtTEXT, *m_notice, m_platform, this);
    m_watcher = new NoteWatcher(*m_session, this);
    m_noteList = new NoteListCommands(*m_book, *m_folderModel, *m_noteModel, *m_session,
                                      *m_currentNote, *m_notice, m_platform, this);
    m_noteFiles = std::make_unique<NoteFileCommands>(*m_noteList, *m_noteModel, *m_session,
                                                     *m_currentNote, m_platform, *m_cD);
    m_books =
        std::make_unique<BookCommands>(*m_book, *m_bookStore, *m_currentNote, m_platform, *m_cD);
    m_folders = std::make_unique<FolderCommands>(*m_book, *m_bookStore, *m_folderModel, *m_noteList,
                                                 *m_currentNote, m_platform);
    m_editing = std::make_unique<EditorCommands>(*m_txtTEXT, m_platform);
    m_encoder = std::make_unique<EncoderCommands>(*m_session, *m_currentNote, m_platform);
    m_finder = std::make_unique<FindCommands>(*m_txtTEXT, *m_session, m_platform, *this);
    m_bookFinder = new FindBookCommands(*m_book, *m_session, *m_noteList, *m_currentNote,
                                        *m_txtTEXT, *m_notice, m_platform, *this, this);
    m_launcher = std::make_unique<LaunchCommands>(m_platform, *m_currentNote, *m_noteList,
                                                  *m_noteModel, *this);
    createNoticeActions();
}

void frmQB::createNoticeActions()
{
    const auto make = [this](const char *name, const QString &caption, auto handler) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_readAgain = make("noticeReadAgain", u"Read Again"_s, [this] { m_noteList->readAgain(); });
    m_keepMine = make("noticeKeepMine", u"Keep Mine"_s, [this] { m_notice->clear(); });
    m_decodeNotice = make("noticeDecode", u"Decode..."_s, [this] { m_encoder->DecodeNote(); });
    m_closeNotice = make("noticeClose", u"Close"_s, [this] { m_notice->clear(); });
    m_closeNotice->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    connect(m_notice, &NoteNotice::changed, this, [this] {
        QList<QAction *> buttons;
        switch (m_notice->kind()) {
        case NoteNotice::Kind::None:
            break;
        case NoteNotice::Kind::ChangedOnDisk:
            buttons = {m_readAgain, m_keepMine};
            break;
        case NoteNotice::Kind::RemovedOnDisk:
            buttons = {m_keepMine};
            break;
        case NoteNotice::Kind::Unreadable:
        case NoteNotice::Kind::Info:
        case NoteNotice::Kind::FolderInfo:
            buttons = {m_closeNotice};
            break;
        case NoteNotice::Kind::Encoded:
            buttons = {m_decodeNotice, m_closeNotice};
            break;
        }
        m_noticeBar->showNotice(m_notice->text(), buttons);
    });
}

void frmQB::connectCommands()
{
    const frmQBActions &a = m_actions;
    const auto on = [this](QAction *action, void (frmQB::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    on(a.B_NEW, &frmQB::B_NEW_Click);
    on(a.B_mnuOPEN, &frmQB::B_mnuOPEN_Click);
    on(a.B_mnuREN, &frmQB::B_mnuREN_Click);
    on(a.B_mnuF_NEW, &frmQB::B_mnuF_NEW_Click);
    on(a.B_mnuF_REN, &frmQB::B_mnuF_REN_Click);
    on(a.B_mnuF_DEL, &frmQB::B_mnuF_DEL_Click);
    on(a.B_mnuF_DISKOPEN, &frmQB::B_mnuF_DISKOPEN_Click);
    on(a.mnuEND, &frmQB::mnuEND_Click);
    on(a.F_mnuADD_NEW, &frmQB::F_mnuADD_NEW_Click);
    on(a.F_mnuADD_EXIST, &frmQB::F_mnuADD_EXIST_Click);
    on(a.F_mnuREN, &frmQB::F_mnuREN_Click);
    on(a.F_mnuSAVE, &frmQB::F_mnuSAVE_Click);
    on(a.F_mnuDEL, &frmQB::F_mnuDEL_Click);
    on(a.F_mnuREFRESH, &frmQB::F_mnuREFRESH_Click);
    connect(a.E_mnuCUT, &QAction::triggered, this, [this] { m_editing->Cut(); });
    connect(a.E_mnuCOPY, &QAction::triggered, this, [this] { m_editing->Copy(); });
    connect(a.E_mnuPASTE, &QAction::triggered, this, [this] { m_editing->Paste(); });
    connect(a.E_mnuALL, &QAction::triggered, this, [this] { m_editing->SelectAll(); });
    connect(a.E_mnuCOPYALL, &QAction::triggered, this, [this] { m_editing->CopyAll(); });
    connect(a.E_mnuTIME, &QAction::triggered, this, [this] { m_editing->InsertTime(); });
    connect(a.E_mnuDATE, &QAction::triggered, this, [this] { m_editing->InsertDate(); });
    on(a.T_mnuGLWR, &frmQB::T_mnuGLWR_Click);
    on(a.T_mnuENCODE, &frmQB::T_mnuENCODE_Click);
    on(a.T_mnuFIND, &frmQB::T_mnuFIND_Click);
    on(a.T_mnuFIND_NEXT, &frmQB::T_mnuFIND_NEXT_Click);
    on(a.T_mnuFIND_BOOK, &frmQB::T_mnuFIND_BOOK_Click);
    on(a.H_mnuABOUT, &frmQB::H_mnuABOUT_Click);

    // A user's pick; picks made by a command go to the note list directly.
    connect(m_lstFLDS, &QComboBox::activated, this, &frmQB::lstFLDS_Click);
    connect(m_lstFILE, &QComboBox::activated, this, &frmQB::lstFILE_Click);
    connect(m_txtTEXT, &QPlainTextEdit::textChanged, this, &frmQB::txtTEXT_Change);
    connect(m_txtTEXT, &NoteEditor::filesDropped, this, &frmQB::txtTEXT_OLEDragDrop);

    connect(m_book, &Book::opened, this, &frmQB::bookOpened);
    connect(m_book, &Book::nameChanged, this, &frmQB::ShowCaption);
    connect(m_noteList, &NoteListCommands::commandsSwitched, this, &frmQB::EnableCommands);
    connect(m_cancelLoad, &QShortcut::activated, m_currentNote, &CurrentNote::cancelLoad);
    connect(m_watcher, &NoteWatcher::changedOnDisk, m_noteList,
            &NoteListCommands::noteChangedOnDisk);
    // The keyword of an encoded note is asked as soon as it is shown.
    connect(m_currentNote, &CurrentNote::encodedNoteLoaded, this,
            [this] { m_encoder->DecodeNote(); });
}

// The controls that show state follow the objects that hold it.
void frmQB::connectViews()
{
    connect(m_folderModel, &FolderListModel::currentPositionChanged, m_lstFLDS,
            [this](int position) { ShowCurrent(m_lstFLDS, position); });
    connect(m_noteModel, &NoteListModel::currentRowChanged, m_lstFILE,
            [this](int row) { ShowCurrent(m_lstFILE, row); });
    connect(m_session, &NoteSession::statusChanged, m_panels[1],
            [this](NoteStatus status) { m_panels[1]->setText(NoteStatusText(status)); });
    connect(m_session, &NoteSession::saveEnabledChanged, this, [this](bool enabled) {
        m_actions.tBAR[8]->setEnabled(enabled);
        m_actions.F_mnuSAVE->setEnabled(enabled);
    });
    connect(m_session, &NoteSession::cipherCommandChanged, m_actions.T_mnuENCODE,
            [this](CipherDirection direction) {
                m_actions.T_mnuENCODE->setText(
                    direction == CipherDirection::Encipher ? u"&Encode"_s : u"D&ecode"_s);
            });
    connect(m_session, &NoteSession::shownChanged, this, [this] {
        const bool shown = m_session->isShown();
        m_panels[2]->setText(shown ? u"File: "_s + m_session->path() : u"No File Selected"_s);
        m_txtTEXT->setEnabled(shown);
    });
    // While a large note loads, its first screen can be read, and nothing done with it.
    connect(m_session, &NoteSession::loadingChanged, this, [this](bool loading) {
        m_cancelLoad->setEnabled(loading);
        if (loading) {
            m_panels[1]->setText(u"Loading"_s);
            m_panels[2]->setText(u"File: "_s + m_session->path());
            m_txtTEXT->setEnabled(true);
        }
        for (QAction *action : {m_actions.T_mnuENCODE, m_actions.T_mnuFIND,
                                m_actions.T_mnuFIND_NEXT, m_actions.F_mnuSAVE, m_actions.tBAR[8]})
            action->setEnabled(!loading && m_commandsEnabled);
    });
    connect(m_currentNote, &CurrentNote::loadProgress, m_panels[1],
            [this](int percent) { m_panels[1]->setText(u"Loading %1%"_s.arg(percent)); });
}

void frmQB::Form_Load(const QString &commandLine)
{
    m_glyphwrightPresent = m_launcher->GlyphwrightPresent();
    m_actions.tBAR[15]->setEnabled(m_glyphwrightPresent);
    EnableCommands(false);
    m_actions.T_mnuFIND_BOOK->setEnabled(false);
    m_panels[5]->setText(StatusVersion());
    ShowCaption();
    m_txtTEXT->setEnabled(false);
    if (commandLine.isEmpty())
        return;
    m_bookStore->openBookFile(commandLine);
    // A book named at start-up switches the commands on even when its first folder holds no
    // note, so that F5 can list one made there since. Save follows the note, as always.
    if (m_book->isOpen()) {
        EnableCommands(true);
        m_actions.F_mnuSAVE->setEnabled(m_session->saveEnabled());
        m_actions.tBAR[8]->setEnabled(m_session->saveEnabled());
    }
}

void frmQB::bookOpened()
{
    m_folderModel->fill(m_book->state());
    ShowCaption();
    EnableCommands(true);
    // Every folder of an open book can be searched, whichever is selected.
    m_actions.T_mnuFIND_BOOK->setEnabled(true);
    m_noteList->showFirstFolder();
}

void frmQB::EnableCommands(bool flag)
{
    m_commandsEnabled = flag;
    const frmQBActions &a = m_actions;
    for (QAction *action :
         {a.B_mnuREN,   a.B_mnuF_DEL, a.B_mnuF_DISKOPEN, a.B_mnuF_NEW, a.B_mnuF_REN,
          a.F_mnuADD,   a.F_mnuDEL,   a.F_mnuREN,        a.F_mnuSAVE,  a.F_mnuREFRESH,
          a.E_mnuDATE,  a.E_mnuTIME,  a.E_mnuPASTE,      a.E_mnuCOPY,  a.E_mnuCOPYALL,
          a.E_mnuCUT,   a.E_mnuALL,   a.T_mnuGLWR,       a.T_mnuFIND,  a.T_mnuFIND_NEXT,
          a.T_mnuENCODE}) {
        action->setEnabled(flag);
    }
    // A tool missing at start-up stays unusable for the whole run.
    if (!m_glyphwrightPresent)
        a.T_mnuGLWR->setEnabled(false);
    if (m_session->isLoading()) {
        for (QAction *action : {a.T_mnuENCODE, a.T_mnuFIND, a.T_mnuFIND_NEXT, a.F_mnuSAVE})
            action->setEnabled(false);
    }
}

void frmQB::ShowCaption()
{
    setWindowTitle(CaptionText(m_book->state().BookName));
}

void frmQB::lstFLDS_Click(int position)
{
    m_noteList->pickFolder(position);
}

void frmQB::lstFILE_Click(int row)
{
    m_noteList->pickNote(row);
}

void frmQB::txtTEXT_Change()
{
    m_session->textChanged();
}

void frmQB::txtTEXT_OLEDragDrop(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // Only the first file of a drop counts.
    const QString path = paths.first();
    const QString title = u"Quirebox File Drop"_s;
    switch (ClassifyDroppedFile(path)) {
    case DropKind::Note:
        m_noteFiles->addDroppedNote(path, title);
        return;
    case DropKind::Book:
        if (m_currentNote->confirmLeave())
            m_bookStore->openBookFile(path);
        return;
    case DropKind::Other:
        m_platform.messageBox(u"The file \""_s + path +
                                  u"\" isn't a text file or a valid Quirebox file."_s,
                              Platform::Buttons::Ok, Platform::Icon::Information, title);
        return;
    }
}

void frmQB::B_NEW_Click()
{
    m_books->NewBook();
}
void frmQB::B_mnuOPEN_Click()
{
    m_books->OpenBook();
}
void frmQB::B_mnuREN_Click()
{
    m_books->RenameBook();
}
void frmQB::B_mnuF_NEW_Click()
{
    m_folders->NewFolder();
}
void frmQB::B_mnuF_REN_Click()
{
    m_folders->RenameFolder();
}
void frmQB::B_mnuF_DEL_Click()
{
    m_folders->DeleteFolder();
}
void frmQB::B_mnuF_DISKOPEN_Click()
{
    m_launcher->openDiskFolder();
}
void frmQB::mnuEND_Click()
{
    close();
}
void frmQB::F_mnuADD_NEW_Click()
{
    m_noteFiles->MakeNewNote();
}
void frmQB::F_mnuADD_EXIST_Click()
{
    m_noteFiles->AddExistingNote();
}
void frmQB::F_mnuREN_Click()
{
    m_noteFiles->renameNote();
}
void frmQB::F_mnuSAVE_Click()
{
    m_currentNote->SaveNote();
}
void frmQB::F_mnuDEL_Click()
{
    m_noteFiles->DeleteNote();
}
void frmQB::F_mnuREFRESH_Click()
{
    m_noteList->refreshList();
}
void frmQB::T_mnuGLWR_Click()
{
    m_launcher->RunGlyphwright();
}
void frmQB::T_mnuENCODE_Click()
{
    m_encoder->toggleEncoding();
}
void frmQB::T_mnuFIND_Click()
{
    m_finder->showDialog();
}
void frmQB::T_mnuFIND_NEXT_Click()
{
    m_finder->findNext();
}
void frmQB::T_mnuFIND_BOOK_Click()
{
    m_bookFinder->showDialog();
}
void frmQB::H_mnuABOUT_Click()
{
    m_launcher->showAbout();
}

void frmQB::tBAR_ButtonClick(int button)
{
    switch (button) {
    case 1:
        B_NEW_Click();
        break;
    case 2:
        B_mnuOPEN_Click();
        break;
    case 4:
        B_mnuF_NEW_Click();
        break;
    case 5:
        B_mnuF_DEL_Click();
        break;
    case 7:
        F_mnuADD_NEW_Click();
        break;
    case 8:
        F_mnuSAVE_Click();
        break;
    case 9:
        F_mnuDEL_Click();
        break;
    case 11:
        m_editing->Cut();
        break;
    case 12:
        m_editing->Copy();
        break;
    case 13:
        m_editing->Paste();
        break;
    case 15:
        T_mnuGLWR_Click();
        break;
    default:
        break; // separators
    }
}

void frmQB::tBAR_ButtonMenuClick(int item)
{
    if (item == 1)
        F_mnuADD_NEW_Click();
    else if (item == 2)
        F_mnuADD_EXIST_Click();
}

bool frmQB::Form_QueryUnload()
{
    // A failed save keeps the program open rather than losing the edits.
    return m_currentNote->askToSave(u"Save this file before quitting?"_s, u"Save file?"_s) !=
           CurrentNote::SaveAnswer::Cancelled;
}

void frmQB::closeEvent(QCloseEvent *event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_finder->closeDialog();
    event->accept();
}

} // namespace qb
