#include "app/frmQB.h"
#include "app/EmptyGuide.h"
#include "app/SpellingCommands.h"
#include "app/StateKeeper.h"

#include "app/SvgPicture.h"
#include "app/Version.h"
#include "book/Book.h"
#include "book/BookCommands.h"
#include "book/BookStore.h"
#include "book/FolderListModel.h"
#include "editor/EditorCommands.h"
#include "editor/NoteDocument.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "encoder/EncoderCommands.h"
#include "encoder/PassphraseCommands.h"
#include "find/BookIndex.h"
#include "find/FindBookCommands.h"
#include "find/FindCommands.h"
#include "find/GoToNoteCommands.h"
#include "folders/FolderCommands.h"
#include "keeping/HistoryKeeper.h"
#include "keeping/RecoveryWriter.h"
#include "launch/LaunchCommands.h"
#include "notes/ConflictNotice.h"
#include "notes/HistoryCommands.h"
#include "notes/MergeCommands.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNotice.h"
#include "notes/NotePassphrase.h"
#include "notes/NoteSaveFlow.h"
#include "notes/NoteSession.h"
#include "notes/NoteWatcher.h"
#include "notes/PrintCommands.h"
#include "notes/ProgramState.h"
#include "notes/RecoveryCommands.h"
#include "notes/RecoveryKeeper.h"
#include "platform/CommonDialog.h"
#include "platform/Platform.h"
#include "platform/QuotedPath.h"
#include "platform/StateFile.h"
#include "platform/TerminationSignals.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSessionManager>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QToolBar>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace qb {

frmQB::frmQB(Platform &platform, QWidget *parent) : QMainWindow(parent), m_platform(platform)
{
    setObjectName(u"frmQB"_s);
    setWindowIcon(svgPictureIcon(u":/icons/quirebox.svg"_s));
    m_book = new Book(this);
    m_session = new NoteSession(this);
    m_notice = new NoteNotice(*m_session, this);
    m_state = new ProgramState(this);
    m_state->restore(readStateFile(defaultStateFile()));
    createControls();
    createCommands();
    createMenus();
    createToolBar();
    createStatusBar();
    createNoticeActions();
    connectCommands();
    connectViews();
    const int width = std::max(px(9270), m_tBAR->geometry().right() + px(30));
    resize(width, px(6060) + menuBar()->sizeHint().height());
    // Where the window was last, unless the screens no longer allow it.
    if (!m_state->windowGeometry().isEmpty())
        restoreGeometry(m_state->windowGeometry());
    m_note->setParent(this);
}

frmQB::~frmQB() = default;

void frmQB::createCommands()
{
    m_cancelLoad = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelLoad->setObjectName(u"cancelLoadShortcut"_s);
    m_cancelLoad->setEnabled(false);
    m_cD = std::make_unique<CommonDialog>();
    m_cD->startFrom(m_state->recentBooks().value(0));
    m_bookStore = std::make_unique<BookStore>(*m_book, m_platform);
    m_history = new HistoryKeeper({}, this);
    m_recoveryStore = std::make_unique<RecoveryStore>();
    m_recoveryWriter = std::make_unique<RecoveryWriter>(*m_recoveryStore);
    m_passphrase = new NotePassphrase(*m_session, this);
    m_display = new NoteDisplay(*m_session, *m_note, *m_txtTEXT, *m_notice, *m_passphrase,
                                m_platform, this);
    m_stateKeeper = new StateKeeper(*m_state, defaultStateFile(), *m_book, *m_session, *m_display,
                                    *m_txtTEXT, this);
    if (QFont font; !m_state->font().isEmpty() && font.fromString(m_state->font()))
        m_txtTEXT->setBaseFont(font);
    m_txtTEXT->setZoom(m_state->zoom());
    m_saveFlow =
        std::make_unique<NoteSaveFlow>(*m_session, *m_note, *m_history, *m_passphrase, m_platform);
    m_recovery =
        new RecoveryKeeper(*m_session, *m_note, *m_recoveryWriter, *m_notice, m_platform, this);
    m_watcher = new NoteWatcher(*m_session, this);
    m_conflictNotice = new ConflictNotice(*m_session, *m_noteModel, *m_notice, this);
    m_noteList = new NoteListCommands(*m_book, *m_folderModel, *m_noteModel, *m_session, *m_display,
                                      *m_saveFlow, *m_notice, m_platform, this);
    m_noteFiles =
        std::make_unique<NoteFileCommands>(*m_noteList, *m_noteModel, *m_session, *m_display,
                                           *m_saveFlow, *m_history, m_platform, *m_cD);
    m_books = std::make_unique<BookCommands>(*m_book, *m_bookStore, *m_saveFlow, m_platform, *m_cD);
    m_folders = std::make_unique<FolderCommands>(*m_book, *m_bookStore, *m_folderModel, *m_noteList,
                                                 *m_saveFlow, m_platform);
    m_editing = std::make_unique<EditorCommands>(*m_txtTEXT, m_platform);
    m_encoder = std::make_unique<EncoderCommands>(*m_display, m_platform);
    m_passphraseCommands = new PassphraseCommands(*m_display, m_platform, *this, this);
    m_finder = std::make_unique<FindCommands>(*m_note, *m_txtTEXT, *m_session, m_platform, *this);
    m_bookIndex = new BookIndex(this);
    m_bookFinder = new FindBookCommands(*m_book, *m_bookIndex, *m_session, *m_noteList, *m_display,
                                        *m_note, *m_txtTEXT, *m_notice, m_platform, *this, this);
    m_goTo = new GoToNoteCommands(*m_book, *m_bookIndex, *m_noteList, *m_noteFiles, *m_display,
                                  *m_note, *m_txtTEXT, *m_notice, m_platform, *this, this);
    m_launcher =
        std::make_unique<LaunchCommands>(m_platform, *m_saveFlow, *m_noteList, *m_noteModel, *this);
    m_recoveryOffers = std::make_unique<RecoveryCommands>(*m_book, *m_recoveryStore, *m_history,
                                                          *m_noteList, *m_display, m_platform);
    m_merge = new MergeCommands(*m_session, *m_noteModel, *m_noteList, *m_display, *m_history,
                                *m_notice, *m_conflictNotice, m_platform, *this, this);
    m_historyCommands = std::make_unique<HistoryCommands>(
        *m_session, *m_display, *m_note, *m_history, *m_passphraseCommands, m_platform, *this);
    m_printing = std::make_unique<PrintCommands>(*m_session, *m_note, *m_txtTEXT, m_platform);
    m_terminationSignals = new TerminationSignals(this);
}

void frmQB::createNoticeActions()
{
    const auto make = [this](const char *name, const QString &caption, auto handler) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_readAgain = make("noticeReadAgainAction", u"Read Again"_s,
                       [this] { m_noteList->whenListed([this] { m_merge->readAgain(); }); });
    m_keepMine = make("noticeKeepMineAction", u"Keep Mine"_s,
                      [this] { m_noteList->whenListed([this] { m_merge->keepMine(); }); });
    m_mergeNotice = make("noticeMergeAction", u"Merge"_s,
                         [this] { m_noteList->whenListed([this] { m_merge->mergeVersions(); }); });
    m_decodeNotice =
        make("noticeDecodeAction", u"Decode..."_s, [this] { m_encoder->DecodeNote(); });
    m_decryptNotice =
        make("noticeDecryptAction", u"Decrypt..."_s, [this] { m_passphraseCommands->decrypt(); });
    // The note the bar names: a copy a sync tool kept of the note shown, or the note of a copy.
    const auto showOther = [this] {
        m_noteList->whenListed([this] {
            if (const int row = m_conflictNotice->otherRow(); row >= 0)
                m_noteList->pickNote(row);
        });
    };
    m_showCopy = make("noticeShowCopyAction", u"Show Copy"_s, showOther);
    m_showNote = make("noticeShowNoteAction", u"Show Note"_s, showOther);
    m_compareAndMerge = make("noticeCompareAndMergeAction", u"Compare and Merge"_s, [this] {
        m_noteList->whenListed([this] { m_merge->compareAndMerge(); });
    });
    m_closeNotice = make("noticeCloseAction", u"Close"_s, [this] { m_notice->clear(); });
    m_closeNotice->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
}

void frmQB::connectCommands()
{
    // A user's pick; picks made by a command go to the note list directly. What the user, or
    // another program, asks for waits while a folder is being listed.
    connect(m_lstFLDS, &QComboBox::activated, m_noteList, [this](int position) {
        m_noteList->whenListed([this, position] { m_noteList->pickFolder(position); });
    });
    connect(m_lstFILE, &QComboBox::activated, m_noteList, [this](int row) {
        m_noteList->whenListed([this, row] { m_noteList->pickNote(row); });
    });
    connect(m_txtTEXT, &NoteEditor::filesDropped, this, [this](const QStringList &paths) {
        m_noteList->whenListed([this, paths] { txtTEXT_OLEDragDrop(paths); });
    });

    connect(m_book, &Book::opened, this, &frmQB::bookOpened);
    connect(m_book, &Book::nameChanged, this, &frmQB::ShowCaption);
    connect(m_noteList, &NoteListCommands::commandsSwitched, this, &frmQB::EnableCommands);
    connect(m_cancelLoad, &QShortcut::activated, m_display, &NoteDisplay::cancelLoad);
    connect(m_watcher, &NoteWatcher::changedOnDisk, m_noteList, [this](const FileChange &change) {
        m_noteList->whenListed([this, change] { m_noteList->noteChangedOnDisk(change); });
    });
    // The keyword of an encoded note is asked as soon as it is shown.
    connect(m_display, &NoteDisplay::encodedNoteLoaded, this, [this] { m_encoder->DecodeNote(); });
    // Offered once the listing that found them is done.
    connect(
        m_noteList, &NoteListCommands::saveLeftoversListed, this,
        [this](const QString &dir) { m_recoveryOffers->offerLeftoversIn(dir); },
        Qt::QueuedConnection);
    connect(m_history, &HistoryKeeper::notKept, this,
            [this](const QString &path, const QString &reason) {
                statusBar()->showMessage(u"The text the last save of "_s + quoted(path) +
                                             u" replaced was not kept in its history: "_s + reason,
                                         30'000);
            });
    connect(m_terminationSignals, &TerminationSignals::received, this, &frmQB::endBySignal);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        const bool mayAsk = manager.allowsInteraction();
        const bool goOn = sessionEnding(mayAsk);
        if (mayAsk)
            manager.release();
        if (!goOn)
            manager.cancel();
    });
}

bool frmQB::isOn(When when) const
{
    const bool loading = m_session->isLoading();
    const bool save = m_session->saveEnabled() && !loading;
    switch (when) {
    case When::Always:
        return true;
    case When::Book:
        return m_commandsEnabled;
    case When::BookNotLoading:
        return m_commandsEnabled && !loading;
    case When::NoteShown:
        return m_commandsEnabled && m_session->isShown();
    case When::BookSave:
        return m_commandsEnabled && save;
    case When::SaveButton:
        return save;
    case When::BookTool:
        return m_commandsEnabled && m_glyphwrightPresent;
    case When::ToolButton:
        return m_glyphwrightPresent;
    case When::BookOpen:
        return m_book->isOpen();
    case When::Decrypted:
        return m_commandsEnabled && m_session->protection() == NoteSession::Protection::Decrypted;
    case When::Merge:
        return m_commandsEnabled && m_merge->canMerge();
    case When::RecentBooks:
        return !m_state->recentBooks().isEmpty();
    case When::Dictionary:
        return m_spelling && m_spelling->hasDictionaries();
    case When::Undo:
        return m_commandsEnabled && !loading && m_txtTEXT->acceptsEdits() &&
               m_txtTEXT->document()->isUndoAvailable();
    case When::Redo:
        return m_commandsEnabled && !loading && m_txtTEXT->acceptsEdits() &&
               m_txtTEXT->document()->isRedoAvailable();
    }
    return false;
}

void frmQB::updateCommands()
{
    for (const auto &[action, when] : m_switched)
        action->setEnabled(isOn(when));
}

void frmQB::Form_Load(const QString &commandLine)
{
    m_glyphwrightPresent = m_launcher->glyphwrightPresent();
    EnableCommands(false);
    m_panels.version->setText(statusVersion());
    ShowCaption();
    m_txtTEXT->setEnabled(false);
    if (commandLine.isEmpty())
        return;
    m_bookStore->openBookFile(commandLine);
    // A book named at start-up switches the commands on even when its first folder holds no
    // note, so that F5 can list one made there since.
    if (m_book->isOpen())
        EnableCommands(true);
}

void frmQB::chooseFont()
{
    // The fixed-pitch fonts: a note's columns line up only in one.
    QFontDialog dialog(m_txtTEXT->baseFont(), this);
    dialog.setObjectName(u"fontDialog"_s);
    dialog.setWindowTitle(u"Font"_s);
    dialog.setOption(QFontDialog::MonospacedFonts);
    if (m_platform.execDialog(dialog) != QDialog::Accepted)
        return;
    m_txtTEXT->setBaseFont(dialog.currentFont());
    m_state->setFont(dialog.currentFont().toString());
}

void frmQB::EnableCommands(bool flag)
{
    m_commandsEnabled = flag;
    updateCommands();
}

void frmQB::ShowCaption()
{
    setWindowTitle(captionText(m_book->state().BookName));
}

bool frmQB::Form_QueryUnload()
{
    // A failed save keeps the program open rather than losing the edits.
    return m_saveFlow->askToSave(u"Save this file before quitting?"_s, u"Save file?"_s) !=
           UnsavedEdits::Answer::Cancelled;
}

bool frmQB::sessionEnding(bool mayAsk)
{
    if (mayAsk)
        return Form_QueryUnload();
    m_recovery->writeNow();
    return true;
}

void frmQB::endBySignal(int signal)
{
    m_recovery->writeNow();
    std::_Exit(128 + signal);
}

void frmQB::closeEvent(QCloseEvent *event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_finder->closeDialog();
    // A normal end: the edits were saved, or the user chose to drop them.
    m_recovery->discardAll();
    m_state->setWindowGeometry(saveGeometry());
    m_stateKeeper->flush();
    event->accept();
}

} // namespace qb
