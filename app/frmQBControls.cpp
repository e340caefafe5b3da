// The main window's controls: the selectors, the toolbar's place, the editor and its keys, and
// what they show of the objects that hold the state.
#include "app/frmQB.h"

#include "app/Described.h"
#include "app/EmptyGuide.h"
#include "app/NoteSelectorMarks.h"
#include "book/Book.h"
#include "book/FolderListModel.h"
#include "editor/NoteEditor.h"
#include "editor/NoticeBar.h"
#include "editor/PaletteColours.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "notes/ProgramState.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Shows `index` in `selector` without reporting it as the user's pick.
void showCurrent(QComboBox *selector, int index)
{
    const QSignalBlocker quiet(selector);
    selector->setCurrentIndex(index);
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
    column->addWidget(createTopRow(central));
    m_noticeBar = new NoticeBar(central);
    column->addWidget(m_noticeBar);
    column->addWidget(createEditorPlace(central), 1);
    setCentralWidget(central);
    createFocusKeys();
}

QWidget *frmQB::createTopRow(QWidget *parent)
{
    // The top row keeps its controls at their places whatever the window's size.
    auto *topRow = new QWidget(parent);
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

    describe(m_lstFLDS, u"Folder"_s, u"The folders of the open book"_s);
    describe(m_lstFILE, u"Note"_s, u"The notes of the selected folder"_s);
    describe(m_tBAR, u"Toolbar"_s, u"Book, folder, note and edit commands"_s);
    return topRow;
}

QWidget *frmQB::createEditorPlace(QWidget *parent)
{
    // The editor, or in its place what to do when there is no note to show.
    m_editorPlace = new QStackedWidget(parent);
    m_editorPlace->setObjectName(u"editorPlace"_s);
    // Given this window as its parent once every other part is made (the constructor's end),
    // so that it goes after all that use it.
    m_note = new NoteDocument;
    m_txtTEXT = new NoteEditor(*m_note, m_editorPlace);
    m_txtTEXT->setEnabled(false); // no input until a note is shown
    m_guide = new EmptyGuide(m_editorPlace);
    m_editorPlace->addWidget(m_txtTEXT);
    m_editorPlace->addWidget(m_guide);
    describe(m_txtTEXT, u"Note text"_s, u"The text of the note shown"_s);
    describe(m_editorPlace, u"Note area"_s, u"The note shown, or what to do when there is none"_s);
    describe(m_guide, u"Guide"_s, u"What to do when there is no note to show"_s);
    return m_editorPlace;
}

void frmQB::createFocusKeys()
{
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

// The controls that show state follow the objects that hold it.
void frmQB::connectViews()
{
    connectGuide();
    connectSelectorsAndCommands();
    connectNoteState();
    connect(m_notice, &NoteNotice::changed, this, [this] {
        m_noticeBar->showNotice(m_notice->text(), noticeButtons());
        updateCommands();
    });
}

void frmQB::connectGuide()
{
    m_guideDue = new QTimer(this);
    m_guideDue->setSingleShot(true);
    m_guideDue->setInterval(0);
    connect(m_guideDue, &QTimer::timeout, this, &frmQB::showGuideNow);
    connect(m_book, &Book::opened, this, &frmQB::updateGuide);
    connect(m_noteModel, &QAbstractItemModel::modelReset, this, &frmQB::updateGuide);
    connect(m_session, &NoteSession::shownChanged, this, &frmQB::updateGuide);
    connect(m_session, &NoteSession::loadingChanged, this, &frmQB::updateGuide);
    connect(m_state, &ProgramState::recentBooksChanged, this, &frmQB::updateGuide);
    connect(m_guide, &QLabel::linkActivated, this, [this](const QString &link) {
        const QStringList books = m_state->recentBooks();
        if (link.startsWith(u"recent:"_s))
            openRecentBook(books.value(link.sliced(7).toInt()));
    });
    updateGuide();
    connect(m_state, &ProgramState::recentBooksChanged, this, &frmQB::fillRecentBooks);
    fillRecentBooks();
}

void frmQB::connectSelectorsAndCommands()
{
    connect(m_txtTEXT, &NoteEditor::zoomChanged, m_state, &ProgramState::setZoom);
    connect(m_folderModel, &FolderListModel::currentPositionChanged, m_lstFLDS,
            [this](int position) { showCurrent(m_lstFLDS, position); });
    connect(m_noteModel, &NoteListModel::currentRowChanged, m_lstFILE,
            [this](int row) { showCurrent(m_lstFILE, row); });
    connect(m_session, &NoteSession::statusChanged, m_panels.status,
            [this](NoteStatus status) { m_panels.status->setText(noteStatusText(status)); });
    connect(m_session, &NoteSession::saveEnabledChanged, this, &frmQB::updateCommands);
    connect(m_txtTEXT, &QPlainTextEdit::undoAvailable, this, &frmQB::updateCommands);
    connect(m_txtTEXT, &QPlainTextEdit::redoAvailable, this, &frmQB::updateCommands);
    connect(m_session, &NoteSession::cipherCommandChanged, m_encodeAction,
            [this](CipherDirection direction) {
                m_encodeAction->setText(direction == CipherDirection::Encipher ? u"&Encode"_s
                                                                               : u"D&ecode"_s);
            });
}

void frmQB::connectNoteState()
{
    connect(m_session, &NoteSession::shownChanged, this, [this] {
        // A note being read keeps the editor on, and what loadingChanged showed.
        if (m_session->isLoading())
            return;
        const bool shown = m_session->isShown();
        showPath(shown ? u"File: "_s + m_session->path() : u"No File Selected"_s);
        m_txtTEXT->setEnabled(shown);
        updateCommands();
    });
    connect(m_session, &NoteSession::protectionChanged, this,
            [this](NoteSession::Protection protection) {
                const bool decrypted = protection == NoteSession::Protection::Decrypted;
                m_encryptAction->setText(protection == NoteSession::Protection::Armour
                                             ? u"Decr&ypt with Passphrase..."_s
                                         : decrypted ? u"C&hange Passphrase..."_s
                                                     : u"Encr&ypt with Passphrase..."_s);
                // Saved encrypted, whatever the status word says of its edits.
                m_panels.status->setToolTip(decrypted ? u"File Status: saved encrypted"_s
                                                      : u"File Status"_s);
                m_panels.status->setAccessibleDescription(
                    decrypted ? u"Whether the note shown is saved; it is saved encrypted"_s
                              : u"Whether the note shown is saved"_s);
                updateCommands();
            });
    // While a large note loads, its first screen can be read, and nothing done with it.
    connect(m_session, &NoteSession::loadingChanged, this, [this](bool loading) {
        m_cancelLoad->setEnabled(loading);
        if (loading) {
            m_panels.status->setText(u"Loading"_s);
            showPath(u"File: "_s + m_session->path());
            m_txtTEXT->setEnabled(true);
        }
        updateCommands();
    });
    connect(m_display, &NoteDisplay::loadProgress, m_panels.status,
            [this](int percent) { m_panels.status->setText(u"Loading %1%"_s.arg(percent)); });
}

QList<QAction *> frmQB::noticeButtons() const
{
    switch (m_notice->kind()) {
    case NoteNotice::Kind::None:
        break;
    case NoteNotice::Kind::ChangedOnDisk:
        return {m_readAgain, m_mergeNotice, m_keepMine};
    case NoteNotice::Kind::RemovedOnDisk:
        return {m_keepMine};
    case NoteNotice::Kind::Unreadable:
    case NoteNotice::Kind::Info:
    case NoteNotice::Kind::FolderInfo:
        return {m_closeNotice};
    case NoteNotice::Kind::Encoded:
        return {m_decodeNotice, m_closeNotice};
    case NoteNotice::Kind::Encrypted:
        return {m_decryptNotice, m_closeNotice};
    case NoteNotice::Kind::ConflictCopy:
        return {m_compareAndMerge, m_showCopy, m_closeNotice};
    case NoteNotice::Kind::IsConflictCopy:
        return {m_compareAndMerge, m_showNote, m_closeNotice};
    case NoteNotice::Kind::UnfinishedMerge:
        return {m_mergeNotice, m_closeNotice};
    }
    return {};
}

} // namespace qb
