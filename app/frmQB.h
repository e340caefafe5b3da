#pragma once

#include "book/BookFile.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

namespace qb {

class BookCommands;
class EditorCommands;
class EncoderCommands;
class FindCommands;
class FolderCommands;
class LaunchCommands;
class NoteCommands;
class NoteEditor;
class Platform;

// The named menu items and toolbar buttons of the main window. Owned by frmQB.
struct frmQBActions
{
    QAction *B_NEW, *B_mnuOPEN, *B_mnuREN, *B_mnuF_NEW, *B_mnuF_REN, *B_mnuF_DEL,
        *B_mnuF_DISKOPEN, *mnuEND;
    QAction *F_mnuADD, *F_mnuADD_NEW, *F_mnuADD_EXIST, *F_mnuREN, *F_mnuSAVE, *F_mnuDEL,
        *F_mnuREFRESH;
    QAction *E_mnuCUT, *E_mnuCOPY, *E_mnuPASTE, *E_mnuALL, *E_mnuCOPYALL, *E_mnuTIME,
        *E_mnuDATE;
    QAction *T_mnuGLWR, *T_mnuENCODE, *T_mnuFIND, *T_mnuFIND_NEXT;
    QAction *H_mnuABOUT;
    QAction *tBAR[17];          // buttons 1..16 of the toolbar; [0] unused
    QAction *tBAR_Menu[3];      // items 1..2 of button 7's drop-down; [0] unused
};

// What the program remembers besides the book: the last folder and note picked, so that a
// repeated pick is told from a new one.
struct Session
{
    BookState book;
    QString LastFolderName;
    QString LastFileName;
    // The main window's one file dialog starts with the name of its last use.
    QString cD_FileName;
};

// The main window: it owns the controls and the command objects, wires each menu item and
// toolbar button to its command, and keeps the command switching and the caption.
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

    Platform &platform() const { return m_platform; }
    Session &session() { return m_session; }
    BookState &book() { return m_session.book; }
    const frmQBActions &actions() const { return m_actions; }

    QComboBox *lstFLDS() const { return m_lstFLDS; }
    QComboBox *lstFILE() const { return m_lstFILE; }
    NoteEditor *txtTEXT() const { return m_txtTEXT; }
    QMenu *mnuEDIT() const { return m_mnuEDIT; }
    QLabel *statusPanel(int panel) const { return m_panels[panel]; } // 1..5

    BookCommands &books() const { return *m_books; }
    FolderCommands &folders() const { return *m_folders; }
    NoteCommands &notes() const { return *m_notes; }
    EditorCommands &editing() const { return *m_editing; }
    EncoderCommands &encoder() const { return *m_encoder; }
    FindCommands &finder() const { return *m_finder; }
    LaunchCommands &launcher() const { return *m_launcher; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void connectCommands();
    void UpdateClockPanels();
    bool Form_QueryUnload();

    bool m_glyphwrightPresent = true;
    Platform &m_platform;
    Session m_session;
    frmQBActions m_actions{};

    QComboBox *m_lstFLDS = nullptr;
    QComboBox *m_lstFILE = nullptr;
    QToolBar *m_tBAR = nullptr;
    NoteEditor *m_txtTEXT = nullptr;
    QMenu *m_mnuEDIT = nullptr;
    QLabel *m_panels[6] = {};
    QTimer *m_clock = nullptr;

    std::unique_ptr<BookCommands> m_books;
    std::unique_ptr<FolderCommands> m_folders;
    std::unique_ptr<NoteCommands> m_notes;
    std::unique_ptr<EditorCommands> m_editing;
    std::unique_ptr<EncoderCommands> m_encoder;
    std::unique_ptr<FindCommands> m_finder;
    std::unique_ptr<LaunchCommands> m_launcher;
};

} // namespace qb
