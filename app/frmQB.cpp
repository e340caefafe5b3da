#include "app/frmQB.h"

#include "app/SvgPicture.h"
#include "app/Version.h"
#include "book/BookCommands.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
#include "encoder/EncoderCommands.h"
#include "find/FindCommands.h"
#include "folders/FolderCommands.h"
#include "launch/LaunchCommands.h"
#include "notes/NoteCommands.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
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

} // namespace

frmQB::frmQB(Platform &platform, QWidget *parent)
    : QMainWindow(parent), m_platform(platform), m_books(std::make_unique<BookCommands>(*this)),
      m_folders(std::make_unique<FolderCommands>(*this)),
      m_notes(std::make_unique<NoteCommands>(*this)),
      m_editing(std::make_unique<EditorCommands>(*this)),
      m_encoder(std::make_unique<EncoderCommands>(*this)),
      m_finder(std::make_unique<FindCommands>(*this)),
      m_launcher(std::make_unique<LaunchCommands>(*this))
{
    setObjectName(u"frmQB"_s);
    setWindowIcon(ToolIcon("quirebox"));
    createControls();
    createMenus();
    createToolBar();
    createStatusBar();
    connectCommands();
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
    QPalette navy = m_lstFLDS->palette();
    navy.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    navy.setColor(QPalette::Text, QColor(0, 0, 128));
    m_lstFLDS->setPalette(navy);
    m_lstFILE = new QComboBox(topRow);
    m_lstFILE->setObjectName(u"lstFILE"_s);
    m_lstFILE->setGeometry(Px(2640), Px(75), Px(1935), Px(315));
    m_tBAR = new QToolBar(topRow);
    m_tBAR->setObjectName(u"tBAR"_s);
    m_tBAR->setIconSize(QSize(16, 16));
    m_tBAR->setGeometry(Px(4680), Px(45), Px(4560), Px(390));

    m_txtTEXT = new NoteEditor(central);
    m_txtTEXT->setEnabled(false); // no input until a note is shown

    column->addWidget(topRow);
    column->addWidget(m_txtTEXT, 1);
    setCentralWidget(central);
}

void frmQB::createMenus()
{
    frmQBActions &a = m_actions;
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
    mnuTOOLS->addActions({a.T_mnuGLWR, a.T_mnuENCODE});
    AddSeparator(mnuTOOLS, "Z_sep05");
    mnuTOOLS->addActions({a.T_mnuFIND, a.T_mnuFIND_NEXT});

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
    // The buttons need a little more room than the row once gave them on Windows.
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
    m_panels[2]->setMinimumWidth(0);
    m_panels[2]->setTextFormat(Qt::PlainText);

    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &frmQB::UpdateClockPanels);
    m_clock->start(1000);
    UpdateClockPanels();
}

void frmQB::UpdateClockPanels()
{
    const QDateTime now = m_platform.now();
    const QString date = ShortDateText(now.date());
    const QString time = ShortTimeText(now.time());
    if (m_panels[3]->text() != date)
        m_panels[3]->setText(date);
    if (m_panels[4]->text() != time)
        m_panels[4]->setText(time);
}

void frmQB::connectCommands()
{
    const frmQBActions &a = m_actions;
    const auto on = [this](QAction *action, auto &&command) {
        connect(action, &QAction::triggered, this, command);
    };
    on(a.B_NEW, [this] { m_books->NewBook(); });
    on(a.B_mnuOPEN, [this] { m_books->OpenBook(); });
    on(a.B_mnuREN, [this] { m_books->RenameBook(); });
    on(a.B_mnuF_NEW, [this] { m_folders->NewFolder(); });
    on(a.B_mnuF_REN, [this] { m_folders->RenameFolder(); });
    on(a.B_mnuF_DEL, [this] { m_folders->DeleteFolder(); });
    on(a.B_mnuF_DISKOPEN, [this] { m_launcher->B_mnuF_DISKOPEN_Click(); });
    on(a.mnuEND, [this] { close(); });

    on(a.F_mnuADD_NEW, [this] { m_notes->MakeNewNote(); });
    on(a.F_mnuADD_EXIST, [this] { m_notes->AddExistingNote(); });
    on(a.F_mnuREN, [this] { m_notes->F_mnuREN_Click(); });
    on(a.F_mnuSAVE, [this] { m_notes->SaveNote(); });
    on(a.F_mnuDEL, [this] { m_notes->DeleteNote(); });
    on(a.F_mnuREFRESH, [this] { m_notes->F_mnuREFRESH_Click(); });

    on(a.E_mnuCUT, [this] { m_editing->Cut(); });
    on(a.E_mnuCOPY, [this] { m_editing->Copy(); });
    on(a.E_mnuPASTE, [this] { m_editing->Paste(); });
    on(a.E_mnuALL, [this] { m_editing->SelectAll(); });
    on(a.E_mnuCOPYALL, [this] { m_editing->CopyAll(); });
    on(a.E_mnuTIME, [this] { m_editing->InsertTime(); });
    on(a.E_mnuDATE, [this] { m_editing->InsertDate(); });

    on(a.T_mnuGLWR, [this] { m_launcher->RunGlyphwright(); });
    on(a.T_mnuENCODE, [this] { m_encoder->T_mnuENCODE_Click(); });
    on(a.T_mnuFIND, [this] { m_finder->T_mnuFIND_Click(); });
    on(a.T_mnuFIND_NEXT, [this] { m_finder->T_mnuFIND_NEXT_Click(); });
    on(a.H_mnuABOUT, [this] { m_launcher->H_mnuABOUT_Click(); });

    // A user's pick; picks made from code call the handlers themselves.
    connect(m_lstFLDS, &QComboBox::activated, this, [this] { m_notes->lstFLDS_Click(); });
    connect(m_lstFILE, &QComboBox::activated, this, [this] { m_notes->lstFILE_Click(); });
    connect(m_txtTEXT, &QPlainTextEdit::textChanged, this, [this] { m_editing->txtTEXT_Change(); });
    connect(m_txtTEXT, &NoteEditor::filesDropped, this,
            [this](const QStringList &paths) { m_editing->txtTEXT_OLEDragDrop(paths); });
}

void frmQB::Form_Load(const QString &commandLine)
{
    m_glyphwrightPresent = m_launcher->GlyphwrightPresent();
    m_actions.tBAR[15]->setEnabled(m_glyphwrightPresent);
    EnableCommands(false);
    m_panels[5]->setText(StatusVersion());
    ShowCaption();
    m_txtTEXT->setEnabled(false);
    if (!commandLine.isEmpty())
        m_books->OpenBookFile(commandLine);
}

void frmQB::EnableCommands(bool flag)
{
    const frmQBActions &a = m_actions;
    for (QAction *action :
         {a.B_mnuREN, a.B_mnuF_DEL, a.B_mnuF_DISKOPEN, a.B_mnuF_NEW, a.B_mnuF_REN, a.F_mnuADD,
          a.F_mnuDEL, a.F_mnuREN, a.F_mnuSAVE, a.F_mnuREFRESH, a.E_mnuDATE, a.E_mnuTIME,
          a.E_mnuPASTE, a.E_mnuCOPY, a.E_mnuCOPYALL, a.E_mnuCUT, a.E_mnuALL, a.T_mnuGLWR,
          a.T_mnuFIND, a.T_mnuFIND_NEXT, a.T_mnuENCODE}) {
        action->setEnabled(flag);
    }
    // A tool missing at start-up stays unusable for the whole run.
    if (!m_glyphwrightPresent)
        a.T_mnuGLWR->setEnabled(false);
}

void frmQB::ShowCaption()
{
    setWindowTitle(CaptionText(m_session.book.BookName));
}

void frmQB::tBAR_ButtonClick(int button)
{
    switch (button) {
    case 1: m_books->NewBook(); break;
    case 2: m_books->OpenBook(); break;
    case 4: m_folders->NewFolder(); break;
    case 5: m_folders->DeleteFolder(); break;
    case 7: m_notes->MakeNewNote(); break;
    case 8: m_notes->SaveNote(); break;
    case 9: m_notes->DeleteNote(); break;
    case 11: m_editing->Cut(); break;
    case 12: m_editing->Copy(); break;
    case 13: m_editing->Paste(); break;
    case 15: m_launcher->RunGlyphwright(); break;
    default: break; // separators
    }
}

void frmQB::tBAR_ButtonMenuClick(int item)
{
    if (item == 1)
        m_notes->MakeNewNote();
    else if (item == 2)
        m_notes->AddExistingNote();
}

bool frmQB::Form_QueryUnload()
{
    if (!m_notes->HasUnsavedEdits())
        return true;
    const QString text = m_notes->UnsavedNoteText(u"Save this file before quitting?"_s);
    switch (m_platform.messageBox(text, Platform::Buttons::YesNoCancel, Platform::Icon::Question,
                                  u"Save file?"_s)) {
    case Platform::Button::Yes:
        // A failed save keeps the program open rather than losing the edits.
        return m_notes->SaveNote();
    case Platform::Button::No:
        return true;
    default:
        return false;
    }
}

void frmQB::closeEvent(QCloseEvent *event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_finder->CloseDialog();
    event->accept();
}

} // namespace qb
