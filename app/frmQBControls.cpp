// The main window's controls, and its menus and toolbar, built from one table of commands.
#include "app/frmQB.h"

#include "app/Described.h"
#include "app/EmptyGuide.h"
#include "app/NoteSelectorMarks.h"
#include "app/SpellingCommands.h"
#include "app/SvgPicture.h"
#include "book/BookCommands.h"
#include "book/FolderListModel.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "editor/PaletteColours.h"
#include "encoder/EncoderCommands.h"
#include "encoder/PassphraseCommands.h"
#include "find/FindBookCommands.h"
#include "find/FindCommands.h"
#include "find/GoToNoteCommands.h"
#include "folders/FolderCommands.h"
#include "launch/LaunchCommands.h"
#include "notes/HistoryCommands.h"
#include "notes/MergeCommands.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteSaveFlow.h"
#include "notes/PrintCommands.h"
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
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>

using namespace Qt::StringLiterals;

namespace qb {

struct frmQB::Command
{
    const char *name;        // its object name: the design's name
    const char16_t *caption; // in the menu
    QKeyCombination shortcut;
    void (*run)(frmQB &); // nullptr for a sub-menu
    When when;
    QKeyCombination otherShortcut = QKeyCombination(Qt::Key_unknown);
};

const std::vector<frmQB::Command> &frmQB::commands()
{
    constexpr QKeyCombination none(Qt::Key_unknown);
    static const std::vector<Command> table = {
        {"B_NEW", u"&New Book", Qt::CTRL | Qt::Key_N, [](frmQB &w) { w.m_books->NewBook(); },
         When::Always},
        {"B_mnuOPEN", u"&Open Book...", Qt::CTRL | Qt::Key_O,
         [](frmQB &w) { w.m_books->OpenBook(); }, When::Always},
        {"B_mnuRECENT", u"Recen&t Books", none, nullptr, When::RecentBooks},
        {"B_mnuREN", u"&Rename Book", Qt::CTRL | Qt::Key_R,
         [](frmQB &w) { w.m_books->RenameBook(); }, When::Book},
        {"B_mnuF_NEW", u"New &Folder...", none, [](frmQB &w) { w.m_folders->NewFolder(); },
         When::Book},
        {"B_mnuF_REN", u"Rena&me Folder", none, [](frmQB &w) { w.m_folders->RenameFolder(); },
         When::Book},
        {"B_mnuF_DEL", u"&Delete Folder", none, [](frmQB &w) { w.m_folders->DeleteFolder(); },
         When::Book},
        {"B_mnuF_DISKOPEN", u"Open Dis&k Folder", none,
         [](frmQB &w) { w.m_launcher->openDiskFolder(); }, When::Book},
        {"mnuEND", u"&Exit", Qt::CTRL | Qt::Key_Q, [](frmQB &w) { w.close(); }, When::Always},
        {"F_mnuADD", u"&Add", none, nullptr, When::Book},
        {"F_mnuADD_NEW", u"Make &New", none, [](frmQB &w) { w.m_noteFiles->MakeNewNote(); },
         When::Always},
        {"F_mnuADD_EXIST", u"&Add Existing File...", none,
         [](frmQB &w) { w.m_noteFiles->AddExistingNote(); }, When::Always},
        {"F_mnuREN", u"&Rename Current", none, [](frmQB &w) { w.m_noteFiles->renameNote(); },
         When::Book},
        {"F_mnuSAVE", u"&Save Current", Qt::CTRL | Qt::Key_S,
         [](frmQB &w) { w.m_saveFlow->SaveNote(); }, When::BookSave},
        {"F_mnuHISTORY", u"Note &History...", Qt::CTRL | Qt::Key_H,
         [](frmQB &w) { w.m_historyCommands->showHistory(); }, When::BookNotLoading},
        {"F_mnuPRINT", u"&Print...", Qt::CTRL | Qt::Key_P, [](frmQB &w) { w.m_printing->print(); },
         When::NoteShown},
        {"F_mnuPDF", u"E&xport as PDF...", none, [](frmQB &w) { w.m_printing->exportPdf(); },
         When::NoteShown},
        {"F_mnuDEL", u"&Delete Current", none, [](frmQB &w) { w.m_noteFiles->DeleteNote(); },
         When::Book},
        {"F_mnuREFRESH", u"Refresh &List", QKeyCombination(Qt::Key_F5),
         [](frmQB &w) { w.m_noteList->askAndRefresh(); }, When::Book},
        {"E_mnuUNDO", u"&Undo", Qt::CTRL | Qt::Key_Z, [](frmQB &w) { w.m_editing->undo(); },
         When::Undo},
        {"E_mnuREDO", u"&Redo", Qt::CTRL | Qt::SHIFT | Qt::Key_Z,
         [](frmQB &w) { w.m_editing->redo(); }, When::Redo, Qt::CTRL | Qt::Key_Y},
        {"E_mnuCUT", u"&Cut", none, [](frmQB &w) { w.m_editing->cut(); }, When::Book},
        {"E_mnuCOPY", u"C&opy", none, [](frmQB &w) { w.m_editing->copy(); }, When::Book},
        {"E_mnuPASTE", u"&Paste", none, [](frmQB &w) { w.m_editing->paste(); }, When::Book},
        {"E_mnuALL", u"Select &All", none, [](frmQB &w) { w.m_editing->selectAll(); }, When::Book},
        {"E_mnuCOPYALL", u"C&opy All", none, [](frmQB &w) { w.m_editing->copyAll(); }, When::Book},
        {"E_mnuTIME", u"Insert &Time", none, [](frmQB &w) { w.m_editing->insertTime(); },
         When::Book},
        {"E_mnuDATE", u"Insert &Date", none, [](frmQB &w) { w.m_editing->insertDate(); },
         When::Book},
        {"T_mnuGLWR", u"Execute Gly&phwright", QKeyCombination(Qt::Key_F6),
         [](frmQB &w) { w.m_launcher->RunGlyphwright(); }, When::BookTool},
        {"T_mnuENCODE", u"&Encode", Qt::CTRL | Qt::Key_F8,
         [](frmQB &w) { w.m_encoder->toggleEncoding(); }, When::BookNotLoading},
        {"T_mnuENCRYPT", u"Encr&ypt with Passphrase...", Qt::CTRL | Qt::Key_E,
         [](frmQB &w) { w.m_passphraseCommands->toggle(); }, When::BookNotLoading},
        {"T_mnuUNENCRYPT", u"&Remove Encryption", none,
         [](frmQB &w) { w.m_passphraseCommands->removeEncryption(); }, When::Decrypted},
        {"T_mnuFIND", u"&Find...", Qt::CTRL | Qt::Key_F, [](frmQB &w) { w.m_finder->showDialog(); },
         When::BookNotLoading},
        {"T_mnuFIND_NEXT", u"Find &Next", QKeyCombination(Qt::Key_F3),
         [](frmQB &w) { w.m_finder->findNext(); }, When::BookNotLoading},
        {"T_mnuFIND_BOOK", u"Find in &Book...", Qt::CTRL | Qt::SHIFT | Qt::Key_F,
         [](frmQB &w) { w.m_bookFinder->showDialog(); }, When::BookOpen},
        {"T_mnuGOTO", u"&Go to Note...", Qt::CTRL | Qt::Key_L,
         [](frmQB &w) { w.m_goTo->showDialog(); }, When::BookOpen},
        {"T_mnuMERGE", u"&Merge Versions...", Qt::CTRL | Qt::Key_M,
         [](frmQB &w) { w.m_merge->mergeVersions(); }, When::Merge},
        {"V_mnuZOOMIN", u"Zoom &In", Qt::CTRL | Qt::Key_Plus,
         [](frmQB &w) { w.m_txtTEXT->setZoom(w.m_txtTEXT->zoom() + 1); }, When::Always},
        {"V_mnuZOOMOUT", u"Zoom &Out", Qt::CTRL | Qt::Key_Minus,
         [](frmQB &w) { w.m_txtTEXT->setZoom(w.m_txtTEXT->zoom() - 1); }, When::Always},
        {"V_mnuZOOMNORMAL", u"&Normal Size", Qt::CTRL | Qt::Key_0,
         [](frmQB &w) { w.m_txtTEXT->setZoom(0); }, When::Always},
        {"V_mnuFONT", u"&Font...", none, [](frmQB &w) { w.chooseFont(); }, When::Always},
        {"V_mnuSPELLING", u"&Spelling", none, nullptr, When::Always},
        {"V_mnuCHECKSPELLING", u"Check &Spelling", QKeyCombination(Qt::Key_F7),
         [](frmQB &w) {
             w.m_spelling->setOn(w.findChild<QAction *>(u"V_mnuCHECKSPELLING"_s)->isChecked());
         },
         When::Dictionary},
        {"V_mnuLANGUAGE", u"&Language", none, nullptr, When::Always},
        {"H_mnuABOUT", u"&About...", QKeyCombination(Qt::Key_F1),
         [](frmQB &w) { w.m_launcher->showAbout(); }, When::Always},
    };
    return table;
}

void frmQB::runCommand(void (*run)(frmQB &))
{
    m_noteList->whenListed([this, run] { run(*this); });
}

const frmQB::Command &frmQB::command(const char *name)
{
    const std::vector<Command> &all = commands();
    const auto found = std::find_if(all.begin(), all.end(), [name](const Command &command) {
        return std::strcmp(command.name, name) == 0;
    });
    Q_ASSERT(found != all.end());
    return *found;
}

namespace {

// The menus: each item a command of the table, or a separator (its name starts with "Z_sep").
struct MenuLayout
{
    const char *name;
    const char16_t *caption;
    std::vector<const char *> items;
};

const std::vector<MenuLayout> &menus()
{
    static const std::vector<MenuLayout> menus = {
        {"mnuBOOK",
         u"&Book",
         {"B_NEW", "B_mnuOPEN", "B_mnuRECENT", "B_mnuREN", "Z_sep07", "B_mnuF_NEW", "B_mnuF_REN",
          "B_mnuF_DEL", "B_mnuF_DISKOPEN", "Z_sep04", "mnuEND"}},
        {"mnuFILE",
         u"&File",
         {"F_mnuADD", "F_mnuREN", "F_mnuSAVE", "F_mnuHISTORY", "F_mnuPRINT", "F_mnuPDF", "Z_sep02",
          "F_mnuDEL", "Z_sep03", "F_mnuREFRESH"}},
        // Filled with the books opened last.
        {"B_mnuRECENT", u"Recen&t Books", {}},
        // File > Add opens these.
        {"F_mnuADD", u"&Add", {"F_mnuADD_NEW", "F_mnuADD_EXIST"}},
        {"mnuEDIT",
         u"&Edit",
         {"E_mnuUNDO", "E_mnuREDO", "Z_sep08", "E_mnuCUT", "E_mnuCOPY", "E_mnuPASTE", "Z_sep01",
          "E_mnuALL", "E_mnuCOPYALL", "Z_sep06", "E_mnuTIME", "E_mnuDATE"}},
        {"mnuVIEW",
         u"&View",
         {"V_mnuZOOMIN", "V_mnuZOOMOUT", "V_mnuZOOMNORMAL", "Z_sep09", "V_mnuFONT", "Z_sep10",
          "V_mnuSPELLING"}},
        // View > Spelling; its Language menu is filled with the dictionaries found.
        {"V_mnuSPELLING", u"&Spelling", {"V_mnuCHECKSPELLING", "V_mnuLANGUAGE"}},
        {"V_mnuLANGUAGE", u"&Language", {}},
        {"mnuTOOLS",
         u"&Tools",
         {"T_mnuGLWR", "T_mnuENCODE", "T_mnuENCRYPT", "T_mnuUNENCRYPT", "Z_sep05", "T_mnuFIND",
          "T_mnuFIND_NEXT", "T_mnuFIND_BOOK", "T_mnuGOTO", "T_mnuMERGE"}},
        {"mnuHELP", u"&?", {"H_mnuABOUT"}},
    };
    return menus;
}

// The toolbar's buttons in order, numbered from 1: each runs a command of the menus and is on
// by a rule of its own; an empty one is a separator.
enum class ButtonRule { Always, Save, Tool };

struct ToolButtonLayout
{
    const char *icon = nullptr;
    const char16_t *tip = nullptr;
    const char *command = nullptr;
    ButtonRule rule = ButtonRule::Always;
};

const std::vector<ToolButtonLayout> &toolButtons()
{
    static const std::vector<ToolButtonLayout> buttons = {
        {"new-book", u"New Book", "B_NEW"},
        {"open-book", u"Open Book", "B_mnuOPEN"},
        {},
        {"new-folder", u"New Folder", "B_mnuF_NEW"},
        {"delete-folder", u"Delete Folder", "B_mnuF_DEL"},
        {},
        {"new-note", u"Make New File (Add)", "F_mnuADD_NEW"},
        {"save-note", u"Save File", "F_mnuSAVE", ButtonRule::Save},
        {"delete-note", u"Delete File", "F_mnuDEL"},
        {},
        {"cut", u"Cut", "E_mnuCUT"},
        {"copy", u"Copy", "E_mnuCOPY"},
        {"paste", u"Paste", "E_mnuPASTE"},
        {},
        {"glyphwright", u"Execute Glyphwright", "T_mnuGLWR", ButtonRule::Tool},
        {},
    };
    return buttons;
}

QIcon toolIcon(const char *file)
{
    return svgPictureIcon(u":/icons/"_s + QLatin1String(file) + u".svg"_s);
}

// The folder names are navy where the selector is light; on a dark one navy could not be read,
// and a blue as light as it takes stands in, on the button and in its list alike.
void showFolderNamesInNavy(QComboBox *lstFLDS)
{
    const QColor navy(0, 0, 128);
    QPalette palette = QApplication::palette(lstFLDS);
    palette.setColor(QPalette::ButtonText, readableColour(navy, palette.color(QPalette::Button)));
    palette.setColor(QPalette::Text, readableColour(navy, palette.color(QPalette::Base)));
    lstFLDS->setPalette(palette);
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
    topRow->setFixedHeight(px(480));
    m_lstFLDS = new QComboBox(topRow);
    m_lstFLDS->setObjectName(u"lstFLDS"_s);
    m_lstFLDS->setGeometry(px(15), px(75), px(2535), px(315));
    showFolderNamesInNavy(m_lstFLDS);
    m_lstFILE = new QComboBox(topRow);
    m_lstFILE->setObjectName(u"lstFILE"_s);
    m_lstFILE->setGeometry(px(2640), px(75), px(1935), px(315));
    m_tBAR = new QToolBar(topRow);
    m_tBAR->setObjectName(u"tBAR"_s);
    m_tBAR->setIconSize(QSize(16, 16));
    m_tBAR->setGeometry(px(4680), px(45), px(4560), px(390));

    m_noticeBar = new NoticeBar(central);
    // The editor, or in its place what to do when there is no note to show.
    m_editorPlace = new QStackedWidget(central);
    m_editorPlace->setObjectName(u"editorPlace"_s);
    m_txtTEXT = new NoteEditor(m_editorPlace);
    m_txtTEXT->setEnabled(false); // no input until a note is shown
    m_guide = new EmptyGuide(m_editorPlace);
    m_editorPlace->addWidget(m_txtTEXT);
    m_editorPlace->addWidget(m_guide);

    m_folderModel = new FolderListModel(this);
    m_lstFLDS->setModel(m_folderModel);
    m_noteModel = new NoteListModel(this);
    auto *marks = new NoteSelectorMarks(this);
    marks->setSourceModel(m_noteModel);
    m_lstFILE->setModel(marks);
    // A folder may hold thousands of notes: rows of one height open the list at once.
    if (auto *view = qobject_cast<QListView *>(m_lstFILE->view()))
        view->setUniformItemSizes(true);
    m_lstFILE->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    column->addWidget(topRow);
    column->addWidget(m_noticeBar);
    column->addWidget(m_editorPlace, 1);
    setCentralWidget(central);

    describe(m_lstFLDS, u"Folder"_s, u"The folders of the open book"_s);
    describe(m_lstFILE, u"Note"_s, u"The notes of the selected folder"_s);
    describe(m_txtTEXT, u"Note text"_s, u"The text of the note shown"_s);
    describe(m_editorPlace, u"Note area"_s, u"The note shown, or what to do when there is none"_s);
    describe(m_guide, u"Guide"_s, u"What to do when there is no note to show"_s);
    describe(m_tBAR, u"Toolbar"_s, u"Book, folder, note and edit commands"_s);
    // The editor keeps Tab for tabs: these keys reach the other controls.
    const auto focusKey = [this](int digit, const std::function<QWidget *()> &target) {
        auto *key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + digit)), this);
        key->setObjectName(u"focusKey%1"_s.arg(digit));
        connect(key, &QShortcut::activated, this,
                [target] { target()->setFocus(Qt::ShortcutFocusReason); });
    };
    focusKey(1, [this] { return m_lstFLDS; });
    focusKey(2, [this] { return m_lstFILE; });
    focusKey(3, [this] { return m_tBAR->widgetForAction(m_tBAR->actions().constFirst()); });
    focusKey(4, [this] { return m_txtTEXT; });
}

void frmQB::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        showFolderNamesInNavy(m_lstFLDS);
    QMainWindow::changeEvent(event);
}

void frmQB::createMenus()
{
    describe(menuBar(), u"Menu bar"_s, u"The Book, File, Edit, View, Tools and Help menus"_s);
    const auto layoutOf = [](const char *name) {
        for (const MenuLayout &layout : menus()) {
            if (std::strcmp(layout.name, name) == 0)
                return &layout;
        }
        return static_cast<const MenuLayout *>(nullptr);
    };
    const auto fill = [&](QMenu *menu, const MenuLayout &layout, const auto &fillMenu) -> void {
        menu->setObjectName(QLatin1String(layout.name));
        for (const char *item : layout.items) {
            if (std::strncmp(item, "Z_sep", 5) == 0) {
                menu->addSeparator()->setObjectName(QLatin1String(item));
                continue;
            }
            const Command &c = command(item);
            QAction *action = nullptr;
            if (!c.run) {
                QMenu *sub = menu->addMenu(QString::fromUtf16(c.caption));
                fillMenu(sub, *layoutOf(item), fillMenu);
                action = sub->menuAction();
            } else {
                action = menu->addAction(QString::fromUtf16(c.caption));
                QList<QKeySequence> keys;
                for (const QKeyCombination key : {c.shortcut, c.otherShortcut}) {
                    if (key.key() != Qt::Key_unknown)
                        keys << key;
                }
                action->setShortcuts(keys);
                connect(action, &QAction::triggered, this,
                        [this, run = c.run] { runCommand(run); });
            }
            action->setObjectName(QLatin1String(item));
            m_switched.emplace_back(action, c.when);
        }
    };
    for (const MenuLayout &layout : menus()) {
        // The menus of the bar; the others open from one of their items.
        if (std::strncmp(layout.name, "mnu", 3) == 0)
            fill(menuBar()->addMenu(QString::fromUtf16(layout.caption)), layout, fill);
    }
    m_mnuEDIT = menuBar()->findChild<QMenu *>(u"mnuEDIT"_s);
    m_txtTEXT->setEditMenu(m_mnuEDIT);
    // Ctrl+= too: the plus sign is a shifted key on most keyboards.
    findChild<QAction *>(u"V_mnuZOOMIN"_s)
        ->setShortcuts({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal});
    m_recentBooks = findChild<QMenu *>(u"B_mnuRECENT"_s);
    m_encodeAction = findChild<QAction *>(u"T_mnuENCODE"_s);
    m_encryptAction = findChild<QAction *>(u"T_mnuENCRYPT"_s);
    m_spelling = new SpellingCommands(*m_txtTEXT, *m_session, *m_state,
                                      *findChild<QAction *>(u"V_mnuCHECKSPELLING"_s),
                                      *findChild<QMenu *>(u"V_mnuLANGUAGE"_s), this);
}

void frmQB::createToolBar()
{
    const std::vector<ToolButtonLayout> &buttons = toolButtons();
    QWidget *previous = m_lstFILE;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const ToolButtonLayout &b = buttons[i];
        const QString name = u"tBAR_Button%1"_s.arg(i + 1);
        if (!b.icon) {
            m_tBAR->addSeparator()->setObjectName(name);
            continue;
        }
        QAction *action = m_tBAR->addAction(toolIcon(b.icon), QString());
        action->setObjectName(name);
        action->setToolTip(QString::fromUtf16(b.tip));
        connect(action, &QAction::triggered, this,
                [this, run = command(b.command).run] { runCommand(run); });
        m_switched.emplace_back(action, b.rule == ButtonRule::Save   ? When::SaveButton
                                        : b.rule == ButtonRule::Tool ? When::ToolButton
                                                                     : When::Always);
        QWidget *button = m_tBAR->widgetForAction(action);
        describe(button, QString::fromUtf16(b.tip), QString::fromUtf16(b.tip));
        // Reached from the keyboard after the selectors and before the editor.
        button->setFocusPolicy(Qt::TabFocus);
        setTabOrder(previous, button);
        previous = button;
    }
    setTabOrder(previous, m_txtTEXT);

    // Button 7 makes a new note; its drop-down also adds an existing file.
    auto *menu = new QMenu(this);
    menu->setObjectName(u"tBAR_Button7_Menu"_s);
    int item = 0;
    for (const auto &[caption, name] : {std::pair(u"Make &New"_s, "F_mnuADD_NEW"),
                                        std::pair(u"&Add Existing File"_s, "F_mnuADD_EXIST")}) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(u"tBAR_Button7_Item%1"_s.arg(++item));
        connect(action, &QAction::triggered, this,
                [this, run = command(name).run] { runCommand(run); });
    }
    QAction *button7 = findChild<QAction *>(u"tBAR_Button7"_s);
    button7->setMenu(menu);
    if (auto *button = qobject_cast<QToolButton *>(m_tBAR->widgetForAction(button7)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    // The buttons need a little more room than the toolbar row is given.
    m_tBAR->resize(std::max(m_tBAR->width(), m_tBAR->sizeHint().width()), m_tBAR->height());
}

} // namespace qb
