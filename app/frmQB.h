#pragma once

#include <QMainWindow>

#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QShortcut;
class QStackedWidget;
class QTimer;
class QToolBar;

namespace qb {

class Book;
class BookIndex;
class EmptyGuide;
class BookCommands;
class BookStore;
class CommonDialog;
class ConflictNotice;
class MergeCommands;
class EditorCommands;
class EncoderCommands;
class FindBookCommands;
class FindCommands;
class FolderCommands;
class FolderListModel;
class GoToNoteCommands;
class HistoryCommands;
class HistoryKeeper;
class LaunchCommands;
class NoteDocument;
class NoteDisplay;
class NoteEditor;
class NoteFileCommands;
class NoteListCommands;
class NoteListModel;
class NoteNotice;
class NotePassphrase;
class NoteSaveFlow;
class NoteSession;
class NoteWatcher;
class NoticeBar;
class PassphraseCommands;
class Platform;
class ProgramState;
class PrintCommands;
class RecoveryCommands;
class RecoveryKeeper;
class RecoveryStore;
class RecoveryWriter;
class SpellingCommands;
class StateKeeper;
class TerminationSignals;

// The main window. It owns the controls, the open book and the shown note's session, and the
// command objects, which it builds after the controls and gives what each works on. Its menus
// and toolbar are built from one table of commands, which says for each what it runs and when
// it is on; the controls that show state follow the objects that hold it.
class frmQB final : public QMainWindow
{
public:
    explicit frmQB(Platform &platform, QWidget *parent = nullptr);
    ~frmQB() override;

    // The start-up sequence; a non-empty command line names a book to open.
    void Form_Load(const QString &commandLine);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // When a menu item or toolbar button is on.
    enum class When {
        Always,
        Book,           // the book-dependent commands are on (EnableCommands)
        BookNotLoading, // the same, and no note is being read
        NoteShown,      // the book-dependent commands are on, and a note is shown whole
        BookSave,       // the same, and the note is to be saved
        SaveButton,     // the note is to be saved and no note is being read
        BookTool,       // the book-dependent commands are on, and Glyphwright is there
        ToolButton,     // Glyphwright is there
        BookOpen,       // a book is open
        Decrypted,      // the note shown is decrypted, its passphrase held
        Merge,          // the note shown has a copy to merge with
        RecentBooks,    // a book was opened before
        Undo,           // the editor takes edits, and has one to undo
        Redo,           // the editor takes edits, and has one to redo
        Dictionary,     // a spelling dictionary was found
    };
    struct Command;
    // The panels of sBAR, 1 to 5.
    struct StatusPanels
    {
        QLabel *status = nullptr; // the NoteStatus
        QLabel *path = nullptr;   // the shown note's file
        QLabel *date = nullptr;
        QLabel *time = nullptr;
        QLabel *version = nullptr;
    };
    // Every command of the menus, in menu order.
    static const std::vector<Command> &commands();
    static const Command *findCommand(const char *name); // nullptr for none
    static const Command &command(const char *name);

    void createControls();
    QWidget *createTopRow(QWidget *parent);
    QWidget *createEditorPlace(QWidget *parent);
    void createFocusKeys();
    void createCommands();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createNoticeActions();
    void connectCommands();
    void connectViews();
    void connectGuide();
    void connectSelectorsAndCommands();
    // The status panels, the editor and the commands follow the note shown and its loading.
    void connectNoteState();
    // The buttons the notice bar shows beside the notice at hand.
    QList<QAction *> noticeButtons() const;
    // Every menu item and toolbar button on or off by its rule.
    // Runs a command of the table once the note list is whole.
    void runCommand(void (*run)(frmQB &));
    void updateCommands();
    bool isOn(When when) const;
    void updateClockPanels();
    // Panel 2 shows `text`, the shown note's file, or a passing `message` over it.
    void showPath(const QString &text);
    void showPath(const QString &text, const QString &message);
    bool Form_QueryUnload();
    // The session ends (a logout): asked as at closing where the user may be asked, else the
    // unsaved edits are kept for recovery at once. False when the user said Cancel.
    bool sessionEnding(bool mayAsk);
    // The system asks the program to end at once: the unsaved edits are kept for recovery,
    // then it ends as the signal would have ended it.
    [[noreturn]] void endBySignal(int signal);

    void EnableCommands(bool flag);
    void ShowCaption();
    void txtTEXT_OLEDragDrop(const QStringList &paths);
    // A book was read: the selector, the caption and the commands follow, then the note shown
    // last in it, or its first note.
    void bookOpened();
    // Book > Recent Books: the books opened last, the newest first.
    void fillRecentBooks();
    void openRecentBook(const QString &path);
    // View > Font...
    void chooseFont();
    // The editor, or the guide when there is no note to show: no book, a folder without notes,
    // or one whose directory is missing. Once the events that call it have run.
    void updateGuide();
    void showGuideNow();

    Platform &m_platform;
    bool m_glyphwrightPresent = true;
    bool m_commandsEnabled = false; // as EnableCommands last set them

    QComboBox *m_lstFLDS = nullptr;
    QComboBox *m_lstFILE = nullptr;
    QToolBar *m_tBAR = nullptr;
    NoteDocument *m_note = nullptr;
    NoteEditor *m_txtTEXT = nullptr;
    QStackedWidget *m_editorPlace = nullptr;
    EmptyGuide *m_guide = nullptr;
    QTimer *m_guideDue = nullptr;
    QMenu *m_mnuEDIT = nullptr;
    NoticeBar *m_noticeBar = nullptr;
    StatusPanels m_panels;
    QString m_pathText; // what panel 2 shows when no message passes
    QTimer *m_clock = nullptr;
    QShortcut *m_cancelLoad = nullptr; // Escape, while a large note loads
    // Every menu item and toolbar button, with the rule that switches it.
    std::vector<std::pair<QAction *, When>> m_switched;
    QAction *m_encodeAction = nullptr;  // T_mnuENCODE, whose caption follows the note
    QAction *m_encryptAction = nullptr; // its caption follows the note
    // The buttons the notice bar may show.
    QAction *m_readAgain = nullptr, *m_keepMine = nullptr, *m_decodeNotice = nullptr,
            *m_decryptNotice = nullptr, *m_closeNotice = nullptr, *m_showCopy = nullptr,
            *m_showNote = nullptr, *m_compareAndMerge = nullptr, *m_mergeNotice = nullptr;

    // State, owned here as children: the views follow their signals.
    Book *m_book = nullptr;
    NoteSession *m_session = nullptr;
    NoteNotice *m_notice = nullptr;
    ConflictNotice *m_conflictNotice = nullptr;
    FolderListModel *m_folderModel = nullptr;
    NoteListModel *m_noteModel = nullptr;

    std::unique_ptr<CommonDialog> m_cD;
    std::unique_ptr<BookStore> m_bookStore;
    NoteDisplay *m_display = nullptr;
    std::unique_ptr<NoteSaveFlow> m_saveFlow;
    NoteWatcher *m_watcher = nullptr;
    NoteListCommands *m_noteList = nullptr;
    std::unique_ptr<NoteFileCommands> m_noteFiles;
    std::unique_ptr<BookCommands> m_books;
    std::unique_ptr<FolderCommands> m_folders;
    std::unique_ptr<EditorCommands> m_editing;
    std::unique_ptr<EncoderCommands> m_encoder;
    NotePassphrase *m_passphrase = nullptr;
    PassphraseCommands *m_passphraseCommands = nullptr;
    std::unique_ptr<FindCommands> m_finder;
    FindBookCommands *m_bookFinder = nullptr;
    BookIndex *m_bookIndex = nullptr;
    GoToNoteCommands *m_goTo = nullptr;
    std::unique_ptr<LaunchCommands> m_launcher;
    // What keeps the user's text through a crash and a wrong save.
    std::unique_ptr<RecoveryStore> m_recoveryStore;
    std::unique_ptr<RecoveryWriter> m_recoveryWriter;
    HistoryKeeper *m_history = nullptr;
    RecoveryKeeper *m_recovery = nullptr;
    std::unique_ptr<RecoveryCommands> m_recoveryOffers;
    std::unique_ptr<HistoryCommands> m_historyCommands;
    std::unique_ptr<PrintCommands> m_printing;
    MergeCommands *m_merge = nullptr;
    TerminationSignals *m_terminationSignals = nullptr;
    // What the program remembers between runs.
    ProgramState *m_state = nullptr;
    StateKeeper *m_stateKeeper = nullptr;
    QMenu *m_recentBooks = nullptr;
    SpellingCommands *m_spelling = nullptr; // View > Spelling
    QString m_openedBook;                   // the book file last opened
};

} // namespace qb
