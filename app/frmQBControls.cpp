// The main window's controls: the selectors, the toolbar's place, the editor and its keys.
#include "app/frmQB.h"

#include "app/Described.h"
#include "app/EmptyGuide.h"
#include "app/NoteSelectorMarks.h"
#include "book/FolderListModel.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "editor/PaletteColours.h"
#include "notes/NoteListModel.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QListView>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

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
        key->setObjectName(u"focusShortcut_%1"_s.arg(digit));
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

} // namespace qb
