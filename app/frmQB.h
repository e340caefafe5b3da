#pragma once

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QShortcut;
class QTimer;
class QToolBar;

namespace qb {

class Book;
class BookCommands;
class BookStore;
class CommonDialog;
class CurrentNote;
class EditorCommands;
class EncoderCommands;
class FindBookCommands;
class FindCommands;
class FolderCommands;
class FolderListModel;
class LaunchCommands;
class NoteEditor;
class NoteFileCommands;
class NoteListCommands;
class NoteListModel;
class NoteNotice;
class NoteSession;
class NoteWatcher;
class NoticeBar;
class Platform;

// The named menu items and toolbar buttons of the main window.
struct frmQBActions
{
    QAction *B_NEW, *B_mnuOPEN, *B_mnuREN, *B_mnuF_NEW, *B_mnuF_REN, *B_mnuF_DEL, *B_mnuF_DISKOPEN,
        *mnuEND;
    QAction *F_mnuADD, *F_mnuADD_NEW, *F_mnuADD_EXIST, *F_mnuREN, *F_mnuSAVE, *F_mnuDEL,
        *F_mnuREFRESH;
    QAction *E_mnuCUT, *E_mnuCOPY, *E_mnuPASTE, *E_mnuALL, *E_mnuCOPYALL, *E_mnuTIME, *E_mnuDATE;
    QAction *T_mnuGLWR, *T_mnuENCODE, *T_mnuFIND, *T_mnuFIND_NEXT, *T_mnuFIND_BOOK;
    QAction *H_mnuABOUT;
    QAction *tBAR[17];     // buttons 1..16 of the toolbar; [0] unused
    QAction *tBAR_Menu[3]; // items 1..2 of button 7's drop-down; [0] unused
};

// The main window. It owns the controls, the open book and the shown note's session, and the
// command objects, which it builds after the controls and gives what each works on; it connects
// every menu item, toolbar button and control to its handler, and shows the state of the book
// and the note through their signals.
class frmQB final : public QMainWindow
{
public:
    explicit frmQB(Platform &platform, QWidget *parent = nullptr);
    ~frmQB() override;

    // The start-up sequence; a non-empty command line names a book to open.
    void Form_Load(const QString &commandLine);

    void EnableCommands(bool flag);
    void ShowCaption();
    void tBAR_ButtonClick(int button);
    void tBAR_ButtonMenuClick(int item);
    void txtTEXT_OLEDragDrop(const QStringList &paths);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createCommands();
    void createNoticeActions();
    void connectCommands();
    void connectViews();
    void UpdateClockPanels();
    bool Form_QueryUnload();

    // The handlers of the controls and menu items, each calling its command.
    void lstFLDS_Click(int position);
    void lstFILE_Click(int row);
    void txtTEXT_Change();
    void B_NEW_Click();
    void B_mnuOPEN_Click();
    void B_mnuREN_Click();
    void B_mnuF_NEW_Click();
    void B_mnuF_REN_Click();
    void B_mnuF_DEL_Click();
    void B_mnuF_DISKOPEN_Click();
    void mnuEND_Click();
    void F_mnuADD_NEW_Click();
    void F_mnuADD_EXIST_Click();
    void F_mnuREN_Click();
    void F_mnuSAVE_Click();
    void F_mnuDEL_Click();
    void F_mnuREFRESH_Click();
    void T_mnuGLWR_Click();
    void T_mnuENCODE_Click();
    void T_mnuFIND_Click();
    void T_mnuFIND_NEXT_Click();
    void T_mnuFIND_BOOK_Click();
    void H_mnuABOUT_Click();

    // A book was read: the selector, the caption and the commands follow, then its first note.
    void bookOpened();

    Platform &m_platform;
    bool m_glyphwrightPresent = true;
    bool m_commandsEnabled = false; // as EnableCommands last set them
    frmQBActions m_actions{};

    QComboBox *m_lstFLDS = nullptr;
    QComboBox *m_lstFILE = nullptr;
    QToolBar *m_tBAR = nullptr;
    NoteEditor *m_txtTEXT = nullptr;
    QMenu *m_mnuEDIT = nullptr;
    NoticeBar *m_noticeBar = nullptr;
    // The buttons the notice bar may show.
    QAction *m_readAgain = nullptr, *m_keepMine = nullptr, *m_decodeNotice = nullptr,
            *m_closeNotice = nullptr;
    QLabel *m_panels[6] = {}; // panels 1..5 of sBAR
    QTimer *m_clock = nullptr;
    QShortcut *m_cancelLoad = nullptr; // Escape, while a large note loads

    // State, owned here as children: the views follow their signals.
    Book *m_book = nullptr;
    NoteSession *m_session = nullptr;
    NoteNotice *m_notice = nullptr;
    FolderListModel *m_folderModel = nullptr;
    NoteListModel *m_noteModel = nullptr;

    std::unique_ptr<CommonDialog> m_cD;
    std::unique_ptr<BookStore> m_bookStore;
    CurrentNote *m_currentNote = nullptr;
    NoteWatcher *m_watcher = nullptr;
    NoteListCommands *m_noteList = nullptr;
    std::unique_ptr<NoteFileCommands> m_noteFiles;
    std::unique_ptr<BookCommands> m_books;
    std::unique_ptr<FolderCommands> m_folders;
    std::unique_ptr<EditorCommands> m_editing;
    std::unique_ptr<EncoderCommands> m_encoder;
    std::unique_ptr<FindCommands> m_finder;
    FindBookCommands *m_bookFinder = nullptr;
    std::unique_ptr<LaunchCommands> m_launcher;
};

} // namespace qb
