// What the program remembers between runs, through the window: the books opened last in the Book
// menu, the window's place, each book's last note, the caret, selection and scroll of the notes
// shown, and the editor's zoom and font. A second window started on the first one's state is
// the program run again.
#include "WindowFixture.h"

#include "editor/NoteEditor.h"
#include "notes/ProgramState.h"
#include "platform/StateFile.h"

#include <QFontDialog>
#include <QFontInfo>
#include <QJsonDocument>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

using namespace qb;
using namespace qb::test;

namespace {

// Starts `t` as the program run again after the window whose state folder is `stateHome`.
void restartWith(TestWindow &t, const QString &stateHome, const QString &book)
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome));
    t.start(book);
}

QStringList recentItems(const TestWindow &t)
{
    QStringList items;
    for (QAction *item : t.child<QMenu>(u"recentBooksMenu"_s)->actions())
        items << item->text() + u" = "_s + item->toolTip();
    return items;
}

} // namespace

class TestRemembered : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { keepHomeIn(m_home.path()); }

    // The note shown last, with its selection and scroll, the window's size and the zoom and
    // font come back in the next run; the folder and note shown first when that note is gone.
    void placesComeBack()
    {
        QByteArray many;
        for (int i = 0; i < 400; ++i)
            many += "line " + QByteArray::number(i) + "\n";
        TestWindow first({u"Alpha"_s, u"Beta"_s});
        first.put(u"long.txt"_s, many, u"Beta"_s);
        first.open({{u"a.txt"_s, "a"}});
        first.pickFolder(u"Beta"_s);
        QCOMPARE(first.text(), QString::fromLatin1(many));
        QTextCursor caret(first.editor()->document());
        caret.setPosition(3000);
        caret.setPosition(3010, QTextCursor::KeepAnchor);
        first.editor()->setTextCursor(caret);
        first.editor()->verticalScrollBar()->setValue(250);
        first.trigger(u"zoomInAction"_s);
        first.trigger(u"zoomInAction"_s);
        first.w().resize(700, 500);
        const qreal zoomedSize = first.editor()->font().pointSizeF();
        QVERIFY(first.w().close());
        const QString stateHome = first.root.filePath(u"state"_s);
        QVERIFY(QFileInfo::exists(stateHome + u"/quirebox/state.json"_s));

        TestWindow again;
        restartWith(again, stateHome, first.bookPath);
        QCOMPARE(again.lstFLDS()->currentText(), u"Beta"_s);
        QCOMPARE(again.text(), QString::fromLatin1(many));
        QCOMPARE(again.editor()->textCursor().anchor(), 3000);
        QCOMPARE(again.editor()->textCursor().position(), 3010);
        QCOMPARE(again.editor()->verticalScrollBar()->value(), 250);
        QCOMPARE(again.editor()->zoom(), 2);
        QCOMPARE(again.editor()->font().pointSizeF(), zoomedSize);
        QCOMPARE(again.w().size(), QSize(700, 500));
        // Another note, and back: its place comes back in the same run too.
        again.pickFolder(u"Alpha"_s);
        again.pickFolder(u"Beta"_s);
        QCOMPARE(again.editor()->textCursor().position(), 3010);
        QVERIFY(again.w().close());

        QVERIFY(QFile::remove(first.dir(u"Beta"_s) + u"/long.txt"_s));
        TestWindow gone;
        restartWith(gone, stateHome, first.bookPath);
        QCOMPARE(gone.lstFLDS()->currentText(), u"Alpha"_s);
        QCOMPARE(gone.text(), u"a"_s);
    }

    // Book > Recent Books: the books opened last, the newest first, each with its path as its
    // tool tip; one that is gone is taken off the list when chosen, with a message; one chosen
    // opens and comes first.
    void recentBooks()
    {
        TestWindow other;
        other.open({{u"o.txt"_s, "other note"}});
        TestWindow t;
        t.put(u"n.txt"_s, "note");
        const QString gone = t.root.filePath(u"gone.qb"_s);
        ProgramState state;
        state.addRecentBook(t.bookPath);
        state.addRecentBook(gone);
        state.addRecentBook(other.bookPath);
        QVERIFY(writeBytes(t.root.filePath(u"state/quirebox/state.json"_s),
                           QJsonDocument(state.toJson()).toJson()));
        t.start({});
        // Open Book starts where the book opened last is.
        t.platform.answerFile({});
        t.trigger(u"B_mnuOPEN"_s);
        QCOMPARE(t.last().file.initialName, other.bookPath);
        QCOMPARE(recentItems(t),
                 QStringList({u"&1 book = "_s + other.bookPath, u"&2 gone = "_s + gone,
                              u"&3 book = "_s + t.bookPath}));
        t.answer(u"ok"_s);
        t.trigger(u"recentBookAction_2"_s);
        QCOMPARE(t.last().text,
                 u"The book \""_s + gone + u"\" is no longer there. It is taken off the list."_s);
        QCOMPARE(recentItems(t),
                 QStringList({u"&1 book = "_s + other.bookPath, u"&2 book = "_s + t.bookPath}));
        t.trigger(u"recentBookAction_2"_s);
        QCOMPARE(t.text(), u"note"_s);
        QCOMPARE(recentItems(t),
                 QStringList({u"&1 book = "_s + t.bookPath, u"&2 book = "_s + other.bookPath}));
    }

    // Zoom In, Zoom Out and Normal Size change the editor's font by a point a step, as Ctrl
    // with the wheel does; the font chosen is the base of the zoom. The default is Courier New,
    // or Liberation Mono, which has its metrics, where it is missing.
    void zoomAndFont()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "note"}});
        QVERIFY(QStringList({u"Courier New"_s, u"Liberation Mono"_s})
                    .contains(QFontInfo(t.editor()->font()).family()));
        QCOMPARE(t.editor()->font().pointSizeF(), 9.75);
        t.trigger(u"zoomInAction"_s);
        QCOMPARE(t.editor()->font().pointSizeF(), 10.75);
        t.trigger(u"zoomOutAction"_s);
        t.trigger(u"zoomOutAction"_s);
        QCOMPARE(t.editor()->font().pointSizeF(), 8.75);
        QWheelEvent wheel(QPointF(5, 5), t.editor()->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, 3 * QWheelEvent::DefaultDeltasPerStep), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(t.editor()->viewport(), &wheel);
        QCOMPARE(t.editor()->font().pointSizeF(), 11.75);
        t.trigger(u"normalSizeAction"_s);
        QCOMPARE(t.editor()->font().pointSizeF(), 9.75);
        QCOMPARE(t.action(u"zoomInAction"_s)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                                      QKeySequence(Qt::CTRL | Qt::Key_Equal)}));

        bool monospacedOnly = false;
        t.platform.answerDialog([&monospacedOnly](QDialog &dialog) {
            auto &fonts = static_cast<QFontDialog &>(dialog);
            monospacedOnly = fonts.testOption(QFontDialog::MonospacedFonts);
            fonts.setCurrentFont(QFont(u"DejaVu Sans Mono"_s, 12));
            return int(QDialog::Accepted);
        });
        t.trigger(u"fontAction"_s);
        QVERIFY(monospacedOnly);
        QCOMPARE(QFontInfo(t.editor()->font()).family(), u"DejaVu Sans Mono"_s);
        t.trigger(u"zoomInAction"_s);
        QCOMPARE(t.editor()->font().pointSizeF(), 13.0);
        QVERIFY(t.w().close());

        TestWindow again;
        restartWith(again, t.root.filePath(u"state"_s), t.bookPath);
        QCOMPARE(QFontInfo(again.editor()->font()).family(), u"DejaVu Sans Mono"_s);
        QCOMPARE(again.editor()->font().pointSizeF(), 13.0);
    }
};

QTEST_MAIN(TestRemembered)
#include "test_remembered.moc"
