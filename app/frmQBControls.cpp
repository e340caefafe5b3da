// The main window's controls, menus, toolbar and status bar.
#include "app/frmQB.h"

#include "app/SvgPicture.h"
#include "book/FolderListModel.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "notes/NoteListModel.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QShortcut>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

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

// The folder names are navy where the selector is light; on a dark one
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

} // namespace

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

    m_noticeBar = new NoticeBar(central);
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
    column->addWidget(m_noticeBar);
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
    // The buttons need a little more room than the toolbar row is given.
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

} // namespace qb
