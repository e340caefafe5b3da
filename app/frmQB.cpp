#include "app/frmQB.h"

#include "app/SvgPicture.h"
#include "app/Version.h"
#include "book/Book.h"
#include "book/BookCommands.h"
#include "book/BookStore.h"
#include "book/FolderListModel.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
#include "encoder/EncoderCommands.h"
#include "find/FindBookCommands.h"
#include "find/FindCommands.h"
#include "folders/FolderCommands.h"
#include "launch/LaunchCommands.h"
#include "notes/CurrentNote.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteSession.h"
#include "notes/NoteWatcher.h"
#include "platform/CommonDialog.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QAction *NamedAction(QObject *parent, const char *name, const QString &caption,
                     const QKeySequence &shortcut = {})
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

void AddSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

QIcon ToolIcon(const char *file)
{
    return SvgPictureIcon(u":/icons/"_s + QLatin1String(file) + u".svg"_s);
}

// The folder names are navy, as the design has them, where the selector is light; on a dark one
// navy could not be read, and a light blue takes its place.
void ShowFolderNamesInNavy(QComboBox *lstFLDS)
{
    QPalette palette = QApplication::palette(lstFLDS);
    const bool dark = palette.color(QPalette::Button).lightness() < 128;
    const QColor colour = dark ? QColor(0x9C, 0xB8, 0xFF) : QColor(0, 0, 128);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    lstFLDS->setPalette(palette);
}

// A control that shows no text of its own is named for screen readers.
void Describe(QWidget *control, const QString &name, const QString &description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

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
    setWindowIcon(ToolIcon("quirebox"));
    m_book = new Book(this);
    m_session = new NoteSession(this);
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

void frmQB::createControls()
{
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The top row keeps its controls at their places whatever the window's size.
    auto *topRow = new QWidget(central);
    topRow->setFixedHeight(Px(480));
    m_lstFLDS = new QComboBox(topRow);
    m_lstFLDS->setObjectName(u"lstFLDS"_s);
    m_lstFLDS->setGeometry(Px(15), Px(75), Px(2535), Px(315));
    ShowFolderNamesInNavy(m_lstFLDS);
    m_lstFILE = new QComboBox(topRow);
    m_lstFILE->setObjectName(u"lstFILE"_s);
    m_lstFILE->setGeometry(Px(2640), Px(75), Px(1935), Px(315));
    m_tBAR = new QToolBar(topRow);
    m_tBAR->setObjectName(u"tBAR"_s);
    m_tBAR->setIconSize(QSize(16, 16));
    m_tBAR->setGeometry(Px(4680), Px(45), Px(4560), Px(390));

    m_txtTEXT = new NoteEditor(central);
    m_txtTEXT->setEnabled(false); // no input until a note is shown

    m_folderModel = new FolderListModel(this);
    m_lstFLDS->setModel(m_folderModel);
    m_noteModel = new NoteListModel(this);
    m_lstFILE->setModel(m_noteModel);
    // A folder may hold thousands of notes: rows of one height open the list at once.
    if (auto *view = qobject_cast<QListView *>(m_lstFILE->view()))
        view->setUniformItemSizes(true);
    m_lstFILE->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    column->addWidget(topRow);
    column->addWidget(m_txtTEXT, 1);
    setCentralWidget(central);

    Describe(m_lstFLDS, u"Folder"_s, u"The folders of the open book"_s);
    Describe(m_lstFILE, u"Note"_s, u"The notes of the selected folder"_s);
    Describe(m_txtTEXT, u"Note text"_s, u"The text of the note shown"_s);
    Describe(m_tBAR, u"Toolbar"_s, u"Book, folder, note and edit commands"_s);
    // The editor keeps Tab for tabs: these keys reach the other controls.
    const auto focusKey = [this](int digit, const std::function<QWidget *()> &target) {
        auto *key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + digit)), this);
        key->setObjectName(u"focusKey%1"_s.arg(digit));
        connect(key, &QShortcut::activated, this,
                [target] { target()->setFocus(Qt::ShortcutFocusReason); });
    };
    focusKey(1, [this] { return m_lstFLDS; });
    focusKey(2, [this] { return m_lstFILE; });
    focusKey(3, [this] { return m_tBAR->widgetForAction(m_actions.tBAR[1]); });
    focusKey(4, [this] { return m_txtTEXT; });
}

void frmQB::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        ShowFolderNamesInNavy(m_lstFLDS);
    QMainWindow::changeEvent(event);
}

void frmQB::createMenus()
{
    frmQBActions &a = m_actions;
    Describe(menuBar(), u"Menu bar"_s, u"The Book, File, Edit, Tools and Help menus"_s);
    QMenu *mnuBOOK = menuBar()->addMenu(u"&Book"_s);
    mnuBOOK->setObjectName(u"mnuBOOK"_s);
    a.B_NEW = NamedAction(this, "B_NEW", u"&New Book"_s, Qt::CTRL | Qt::Key_N);
    a.B_mnuOPEN = NamedAction(this, "B_mnuOPEN", u"&Open Book..."_s, Qt::CTRL | Qt::Key_O);
    a.B_mnuREN = NamedAction(this, "B_mnuREN", u"&Rename Book"_s, Qt::CTRL | Qt::Key_R);
    a.B_mnuF_NEW = NamedAction(this, "B_mnuF_NEW", u"New &Folder..."_s);
    a.B_mnuF_REN = NamedAction(this, "B_mnuF_REN", u"Re&name Folder"_s);
    a.B_mnuF_DEL = NamedAction(this, "B_mnuF_DEL", u"&Delete Folder"_s);
    a.B_mnuF_DISKOPEN = NamedAction(this, "B_mnuF_DISKOPEN", u"Open Dis&k Folder"_s);
    a.mnuEND = NamedAction(this, "mnuEND", u"&Exit"_s);
    mnuBOOK->addActions({a.B_NEW, a.B_mnuOPEN, a.B_mnuREN});
    AddSeparator(mnuBOOK, "Z_sep07");
    mnuBOOK->addActions({a.B_mnuF_NEW, a.B_mnuF_REN, a.B_mnuF_DEL, a.B_mnuF_DISKOPEN});
    AddSeparator(mnuBOOK, "Z_sep04");
    mnuBOOK->addAction(a.mnuEND);

    QMenu *mnuFILE = menuBar()->addMenu(u"&File"_s);
    mnuFILE->setObjectName(u"mnuFILE"_s);
    QMenu *addMenu = mnuFILE->addMenu(u"&Add"_s);
    addMenu->setObjectName(u"F_mnuADD"_s);
    a.F_mnuADD = addMenu->menuAction();
    a.F_mnuADD->setObjectName(u"F_mnuADD"_s);
    a.F_mnuADD_NEW = NamedAction(this, "F_mnuADD_NEW", u"Make &New"_s);
    a.F_mnuADD_EXIST = NamedAction(this, "F_mnuADD_EXIST", u"&Add Existing File..."_s);
    addMenu->addActions({a.F_mnuADD_NEW, a.F_mnuADD_EXIST});
    a.F_mnuREN = NamedAction(this, "F_mnuREN", u"&Rename Current"_s);
    a.F_mnuSAVE = NamedAction(this, "F_mnuSAVE", u"&Save Current"_s, Qt::CTRL | Qt::Key_S);
    a.F_mnuDEL = NamedAction(this, "F_mnuDEL", u"&Delete Current"_s);
    a.F_mnuREFRESH = NamedAction(this, "F_mnuREFRESH", u"Refresh &List"_s, Qt::Key_F5);
    mnuFILE->addActions({a.F_mnuREN, a.F_mnuSAVE});
    AddSeparator(mnuFILE, "Z_sep02");
    mnuFILE->addAction(a.F_mnuDEL);
    AddSeparator(mnuFILE, "Z_sep03");
    mnuFILE->addAction(a.F_mnuREFRESH);

    m_mnuEDIT = menuBar()->addMenu(u"&Edit"_s);
    m_mnuEDIT->setObjectName(u"mnuEDIT"_s);
    a.E_mnuCUT = NamedAction(this, "E_mnuCUT", u"&Cut"_s);
    a.E_mnuCOPY = NamedAction(this, "E_mnuCOPY", u"C&opy"_s);
    a.E_mnuPASTE = NamedAction(this, "E_mnuPASTE", u"&Paste"_s);
    a.E_mnuALL = NamedAction(this, "E_mnuALL", u"Select &All"_s);
    a.E_mnuCOPYALL = NamedAction(this, "E_mnuCOPYALL", u"C&opy All"_s);
    a.E_mnuTIME = NamedAction(this, "E_mnuTIME", u"Insert &Time"_s);
    a.E_mnuDATE = NamedAction(this, "E_mnuDATE", u"Insert &Date"_s);
    m_mnuEDIT->addActions({a.E_mnuCUT, a.E_mnuCOPY, a.E_mnuPASTE});
    AddSeparator(m_mnuEDIT, "Z_sep01");
    m_mnuEDIT->addActions({a.E_mnuALL, a.E_mnuCOPYALL});
    AddSeparator(m_mnuEDIT, "Z_sep06");
    m_mnuEDIT->addActions({a.E_mnuTIME, a.E_mnuDATE});
    m_txtTEXT->setEditMenu(m_mnuEDIT);

    QMenu *mnuTOOLS = menuBar()->addMenu(u"&Tools"_s);
    mnuTOOLS->setObjectName(u"mnuTOOLS"_s);
    a.T_mnuGLWR = NamedAction(this, "T_mnuGLWR", u"Execute Gly&phwright"_s, Qt::Key_F6);
    a.T_mnuENCODE = NamedAction(this, "T_mnuENCODE", u"&Encode"_s, Qt::CTRL | Qt::Key_F8);
    a.T_mnuFIND = NamedAction(this, "T_mnuFIND", u"&Find..."_s, Qt::CTRL | Qt::Key_F);
    a.T_mnuFIND_NEXT = NamedAction(this, "T_mnuFIND_NEXT", u"Find &Next"_s, Qt::Key_F3);
    a.T_mnuFIND_BOOK = NamedAction(this, "T_mnuFIND_BOOK", u"Find in &Book..."_s,
                                   Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    mnuTOOLS->addActions({a.T_mnuGLWR, a.T_mnuENCODE});
    AddSeparator(mnuTOOLS, "Z_sep05");
    mnuTOOLS->addActions({a.T_mnuFIND, a.T_mnuFIND_NEXT, a.T_mnuFIND_BOOK});

    QMenu *mnuHELP = menuBar()->addMenu(u"&?"_s);
    mnuHELP->setObjectName(u"mnuHELP"_s);
    a.H_mnuABOUT = NamedAction(this, "H_mnuABOUT", u"&About..."_s, Qt::Key_F1);
    mnuHELP->addAction(a.H_mnuABOUT);
}

void frmQB::createToolBar()
{
    struct Button
    {
        const char *icon; // nullptr: a separator
        const char *tip;
    };
    static constexpr Button buttons[17] = {
        {},
        {"new-book", "New Book"},
        {"open-book", "Open Book"},
        {nullptr, nullptr},
        {"new-folder", "New Folder"},
        {"delete-folder", "Delete Folder"},
        {nullptr, nullptr},
        {"new-note", "Make New File (Add)"},
        {"save-note", "Save File"},
        {"delete-note", "Delete File"},
        {nullptr, nullptr},
        {"cut", "Cut"},
        {"copy", "Copy"},
        {"paste", "Paste"},
        {nullptr, nullptr},
        {"glyphwright", "Execute Glyphwright"},
        {nullptr, nullptr},
    };
    for (int i = 1; i <= 16; ++i) {
        QAction *action = nullptr;
        if (buttons[i].icon) {
            action = m_tBAR->addAction(ToolIcon(buttons[i].icon), QString());
            action->setToolTip(QLatin1String(buttons[i].tip));
        } else {
            action = m_tBAR->addSeparator();
        }
        action->setObjectName(u"tBAR_Button%1"_s.arg(i));
        if (QWidget *button = m_tBAR->widgetForAction(action); button && buttons[i].icon) {
            Describe(button, QLatin1String(buttons[i].tip), QLatin1String(buttons[i].tip));
            // Reached from the keyboard, after the selectors and before the editor.
            button->setFocusPolicy(Qt::TabFocus);
        }
        m_actions.tBAR[i] = action;
        connect(action, &QAction::triggered, this, [this, i] { tBAR_ButtonClick(i); });
    }

    auto *menu = new QMenu(this);
    menu->setObjectName(u"tBAR_Button7_Menu"_s);
    m_actions.tBAR_Menu[1] = menu->addAction(u"Make &New"_s);
    m_actions.tBAR_Menu[2] = menu->addAction(u"&Add Existing File"_s);
    for (int i = 1; i <= 2; ++i) {
        m_actions.tBAR_Menu[i]->setObjectName(u"tBAR_Button7_Item%1"_s.arg(i));
        connect(m_actions.tBAR_Menu[i], &QAction::triggered, this,
                [this, i] { tBAR_ButtonMenuClick(i); });
    }
    m_actions.tBAR[7]->setMenu(menu);
    if (auto *button = qobject_cast<QToolButton *>(m_tBAR->widgetForAction(m_actions.tBAR[7])))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    // From the keyboard: the selectors, the buttons, then the editor.
    QWidget *previous = m_lstFILE;
    for (int i = 1; i <= 16; ++i) {
        QWidget *button = m_tBAR->widgetForAction(m_actions.tBAR[i]);
        if (button && button->focusPolicy() != Qt::NoFocus) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
    setTabOrder(previous, m_txtTEXT);
    // The buttons need a little more room than the design row gives them.
    m_tBAR->resize(std::max(m_tBAR->width(), m_tBAR->sizeHint().width()), m_tBAR->height());
}

void frmQB::createStatusBar()
{
    QStatusBar *sBAR = statusBar();
    sBAR->setObjectName(u"sBAR"_s);
    static constexpr int widths[6] = {0, 1764, 0, 1764, 1058, 1764};
    for (int i = 1; i <= 5; ++i) {
        auto *panel = new QLabel(sBAR);
        panel->setObjectName(u"sBAR_Panel%1"_s.arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        if (widths[i])
            panel->setMinimumWidth(Px(widths[i]));
        // Permanent widgets are never hidden by a passing status tip.
        sBAR->addPermanentWidget(panel, i == 2 ? 1 : 0);
        m_panels[i] = panel;
    }
    m_panels[1]->setText(u"Unchanged"_s);
    m_panels[1]->setToolTip(u"File Status"_s);
    m_panels[2]->setToolTip(u"File Path"_s);
    Describe(m_panels[1], u"File Status"_s, u"Whether the note shown is saved"_s);
    Describe(m_panels[2], u"File Path"_s, u"The file of the note shown"_s);
    Describe(m_panels[3], u"Date"_s, u"Today's date"_s);
    Describe(m_panels[4], u"Time"_s, u"The time"_s);
    Describe(m_panels[5], u"Version"_s, u"The version of Quirebox"_s);
    Describe(sBAR, u"Status bar"_s, u"The note's status and file, the date, the time"_s);
    if (auto *grip = sBAR->findChild<QSizeGrip *>())
        Describe(grip, u"Size"_s, u"Drag to change the window's size"_s);
    m_panels[2]->setMinimumWidth(0);
    m_panels[2]->setTextFormat(Qt::PlainText);

    m_clock = new QTimer(this);
    m_clock->setObjectName(u"sBAR_Clock"_s);
    m_clock->setSingleShot(true);
    // Precise: a coarse timer may fire a little before the minute turns, and wake twice for it.
    m_clock->setTimerType(Qt::PreciseTimer);
    connect(m_clock, &QTimer::timeout, this, &frmQB::UpdateClockPanels);
    UpdateClockPanels();
}

// The panels show hours and minutes: the program wakes for them once a minute, as the minute
// turns, and the date turns with the minute at midnight.
void frmQB::UpdateClockPanels()
{
    const QDateTime now = m_platform.now();
    m_panels[3]->setText(ShortDateText(now.date()));
    m_panels[4]->setText(ShortTimeText(now.time()));
    const int intoMinute = now.time().second() * 1000 + now.time().msec();
    m_clock->start(60'000 - intoMinute + 20);
}

void frmQB::createCommands()
{
    m_cancelLoad = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelLoad->setObjectName(u"cancelLoad"_s);
    m_cancelLoad->setEnabled(false);
    m_cD = std::make_unique<CommonDialog>();
    m_bookStore = std::make_unique<BookStore>(*m_book, m_platform);
    m_currentNote = new CurrentNote(*m_session, *m_txtTEXT, m_platform, this);
    m_watcher = new NoteWatcher(*m_session, this);
    m_noteList = new NoteListCommands(*m_book, *m_folderModel, *m_noteModel, *m_session,
                                      *m_currentNote, m_platform, this);
    m_noteFiles = std::make_unique<NoteFileCommands>(*m_noteList, *m_noteModel, *m_session,
                                                     *m_currentNote, m_platform, *m_cD);
    m_books =
        std::make_unique<BookCommands>(*m_book, *m_bookStore, *m_currentNote, m_platform, *m_cD);
    m_folders = std::make_unique<FolderCommands>(*m_book, *m_bookStore, *m_folderModel, *m_noteList,
                                                 *m_currentNote, m_platform);
    m_editing = std::make_unique<EditorCommands>(*m_txtTEXT, m_platform);
    m_encoder = std::make_unique<EncoderCommands>(*m_session, *m_currentNote, m_platform);
    m_finder = std::make_unique<FindCommands>(*m_txtTEXT, m_platform, *this);
    m_bookFinder = new FindBookCommands(*m_book, *m_session, *m_noteList, *m_currentNote,
                                        *m_txtTEXT, m_platform, *this, this);
    m_launcher = std::make_unique<LaunchCommands>(m_platform, *m_currentNote, *m_noteList,
                                                  *m_noteModel, *this);
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
    if (!commandLine.isEmpty())
        m_bookStore->openBookFile(commandLine);
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
        if (m_noteList->selectedFolderRow() == 0) {
            m_platform.messageBox(u"The file \""_s + path +
                                      u"\" can't be added: a book and a folder must be open "
                                      "to take it."_s,
                                  Platform::Buttons::Ok, Platform::Icon::Information, title);
            return;
        }
        if (m_noteFiles->addNoteFile(path, title))
            m_noteList->forgetFolderPick();
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
