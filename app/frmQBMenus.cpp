// The main window's menus and toolbar, built from one table of commands.
#include "app/frmQB.h"

#include "app/Described.h"
#include "app/SpellingCommands.h"
#include "app/SvgPicture.h"
#include "book/BookCommands.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
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
#include "notes/NoteSaveFlow.h"
#include "notes/PrintCommands.h"

#include <QComboBox>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cstring>
#include <string_view>

using namespace Qt::StringLiterals;

namespace qb {

struct frmQB::Command
{
    const char *name;        // its object name
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
        {"recentBooksMenu", u"Recen&t Books", none, nullptr, When::RecentBooks},
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
        {"noteHistoryAction", u"Note &History...", Qt::CTRL | Qt::Key_H,
         [](frmQB &w) { w.m_historyCommands->showHistory(); }, When::BookNotLoading},
        {"printAction", u"&Print...", Qt::CTRL | Qt::Key_P, [](frmQB &w) { w.m_printing->print(); },
         When::NoteShown},
        {"exportPdfAction", u"E&xport as PDF...", none, [](frmQB &w) { w.m_printing->exportPdf(); },
         When::NoteShown},
        {"F_mnuDEL", u"&Delete Current", none, [](frmQB &w) { w.m_noteFiles->DeleteNote(); },
         When::Book},
        {"F_mnuREFRESH", u"Refresh &List", QKeyCombination(Qt::Key_F5),
         [](frmQB &w) { w.m_noteList->askAndRefresh(); }, When::Book},
        {"undoAction", u"&Undo", Qt::CTRL | Qt::Key_Z, [](frmQB &w) { w.m_editing->undo(); },
         When::Undo},
        {"redoAction", u"&Redo", Qt::CTRL | Qt::SHIFT | Qt::Key_Z,
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
        {"encryptAction", u"Encr&ypt with Passphrase...", Qt::CTRL | Qt::Key_E,
         [](frmQB &w) { w.m_passphraseCommands->toggle(); }, When::BookNotLoading},
        {"removeEncryptionAction", u"&Remove Encryption", none,
         [](frmQB &w) { w.m_passphraseCommands->removeEncryption(); }, When::Decrypted},
        {"T_mnuFIND", u"&Find...", Qt::CTRL | Qt::Key_F, [](frmQB &w) { w.m_finder->showDialog(); },
         When::BookNotLoading},
        {"T_mnuFIND_NEXT", u"Find &Next", QKeyCombination(Qt::Key_F3),
         [](frmQB &w) { w.m_finder->findNext(); }, When::BookNotLoading},
        {"findInBookAction", u"Find in &Book...", Qt::CTRL | Qt::SHIFT | Qt::Key_F,
         [](frmQB &w) { w.m_bookFinder->showDialog(); }, When::BookOpen},
        {"goToNoteAction", u"&Go to Note...", Qt::CTRL | Qt::Key_L,
         [](frmQB &w) { w.m_goTo->showDialog(); }, When::BookOpen},
        {"mergeVersionsAction", u"&Merge Versions...", Qt::CTRL | Qt::Key_M,
         [](frmQB &w) { w.m_merge->mergeVersions(); }, When::Merge},
        {"zoomInAction", u"Zoom &In", Qt::CTRL | Qt::Key_Plus,
         [](frmQB &w) { w.m_txtTEXT->setZoom(w.m_txtTEXT->zoom() + 1); }, When::Always},
        {"zoomOutAction", u"Zoom &Out", Qt::CTRL | Qt::Key_Minus,
         [](frmQB &w) { w.m_txtTEXT->setZoom(w.m_txtTEXT->zoom() - 1); }, When::Always},
        {"normalSizeAction", u"&Normal Size", Qt::CTRL | Qt::Key_0,
         [](frmQB &w) { w.m_txtTEXT->setZoom(0); }, When::Always},
        {"fontAction", u"&Font...", none, [](frmQB &w) { w.chooseFont(); }, When::Always},
        {"spellingMenu", u"&Spelling", none, nullptr, When::Always},
        {"checkSpellingAction", u"Check &Spelling", QKeyCombination(Qt::Key_F7),
         [](frmQB &w) {
             w.m_spelling->setOn(w.findChild<QAction *>(u"checkSpellingAction"_s)->isChecked());
         },
         When::Dictionary},
        {"languageMenu", u"&Language", none, nullptr, When::Always},
        {"H_mnuABOUT", u"&About...", QKeyCombination(Qt::Key_F1),
         [](frmQB &w) { w.m_launcher->showAbout(); }, When::Always},
    };
    return table;
}

void frmQB::runCommand(void (*run)(frmQB &))
{
    m_noteList->whenListed([this, run] { run(*this); });
}

const frmQB::Command *frmQB::findCommand(const char *name)
{
    const std::vector<Command> &all = commands();
    const auto found = std::find_if(all.begin(), all.end(), [name](const Command &command) {
        return std::strcmp(command.name, name) == 0;
    });
    return found == all.end() ? nullptr : &*found;
}

const frmQB::Command &frmQB::command(const char *name)
{
    const Command *found = findCommand(name);
    Q_ASSERT(found);
    return *found;
}

namespace {

// The menus: each item a command of the table, or a separator (named "Z_sep..." as the design
// does, or "...Separator").
struct MenuLayout
{
    const char *name;
    const char16_t *caption;
    std::vector<const char *> items;
};

bool isSeparatorName(const char *item)
{
    const std::string_view name(item);
    return name.starts_with("Z_sep") || name.ends_with("Separator");
}

const std::vector<MenuLayout> &menus()
{
    static const std::vector<MenuLayout> menus = {
        {"mnuBOOK",
         u"&Book",
         {"B_NEW", "B_mnuOPEN", "recentBooksMenu", "B_mnuREN", "Z_sep07", "B_mnuF_NEW",
          "B_mnuF_REN", "B_mnuF_DEL", "B_mnuF_DISKOPEN", "Z_sep04", "mnuEND"}},
        {"mnuFILE",
         u"&File",
         {"F_mnuADD", "F_mnuREN", "F_mnuSAVE", "noteHistoryAction", "printAction",
          "exportPdfAction", "Z_sep02", "F_mnuDEL", "Z_sep03", "F_mnuREFRESH"}},
        // Filled with the books opened last.
        {"recentBooksMenu", u"Recen&t Books", {}},
        // File > Add opens these.
        {"F_mnuADD", u"&Add", {"F_mnuADD_NEW", "F_mnuADD_EXIST"}},
        {"mnuEDIT",
         u"&Edit",
         {"undoAction", "redoAction", "undoSeparator", "E_mnuCUT", "E_mnuCOPY", "E_mnuPASTE",
          "Z_sep01", "E_mnuALL", "E_mnuCOPYALL", "Z_sep06", "E_mnuTIME", "E_mnuDATE"}},
        {"viewMenu",
         u"&View",
         {"zoomInAction", "zoomOutAction", "normalSizeAction", "zoomSeparator", "fontAction",
          "fontSeparator", "spellingMenu"}},
        // View > Spelling; its Language menu is filled with the dictionaries found.
        {"spellingMenu", u"&Spelling", {"checkSpellingAction", "languageMenu"}},
        {"languageMenu", u"&Language", {}},
        {"mnuTOOLS",
         u"&Tools",
         {"T_mnuGLWR", "T_mnuENCODE", "encryptAction", "removeEncryptionAction", "Z_sep05",
          "T_mnuFIND", "T_mnuFIND_NEXT", "findInBookAction", "goToNoteAction",
          "mergeVersionsAction"}},
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

} // namespace

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
            if (isSeparatorName(item)) {
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
        // The menus of the bar; the others open from a command of the table.
        if (!findCommand(layout.name))
            fill(menuBar()->addMenu(QString::fromUtf16(layout.caption)), layout, fill);
    }
    m_mnuEDIT = menuBar()->findChild<QMenu *>(u"mnuEDIT"_s);
    m_txtTEXT->setEditMenu(m_mnuEDIT);
    // Ctrl+= too: the plus sign is a shifted key on most keyboards.
    findChild<QAction *>(u"zoomInAction"_s)
        ->setShortcuts({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal});
    m_recentBooks = findChild<QMenu *>(u"recentBooksMenu"_s);
    m_encodeAction = findChild<QAction *>(u"T_mnuENCODE"_s);
    m_encryptAction = findChild<QAction *>(u"encryptAction"_s);
    m_spelling = new SpellingCommands(*m_txtTEXT, *m_session, *m_state,
                                      *findChild<QAction *>(u"checkSpellingAction"_s),
                                      *findChild<QMenu *>(u"languageMenu"_s), this);
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
