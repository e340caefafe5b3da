// What a screen reader, a keyboard user and a dark desktop theme meet in the main window and
// its windows.

#include "DrawnText.h"
#include "ModalDialogs.h"
#include "RowLabel.h"
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "editor/TextPane.h"
#include "find/BookIndex.h"
#include "find/FindBookDialog.h"
#include "find/GoToNoteDialog.h"
#include "folders/FolderRules.h"
#include "keeping/HistoryDialog.h"
#include "launch/mgABOUT.h"
#include "notes/MergeDialog.h"
#include "platform/QtPlatform.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <cmath>
#include <map>

using namespace qb;
using namespace qb::test;

namespace {

// The names of the controls that show no text and give a screen reader none.
QStringList unnamedNodes(QAccessibleInterface *node, const QString &path = {})
{
    QStringList unnamed;
    if (!node)
        return unnamed;
    const QAccessible::Role role = node->role();
    const QString here = path + u'/' + QString::number(role, 16);
    const bool needsName = role != QAccessible::Separator && role != QAccessible::Client &&
                           role != QAccessible::ScrollBar && role != QAccessible::Grouping &&
                           !node->state().invisible;
    if (needsName && node->text(QAccessible::Name).trimmed().isEmpty()) {
        const QObject *object = node->object();
        unnamed.append(here + u' ' + (object ? object->objectName() : QString()));
    }
    for (int i = 0; i < node->childCount(); ++i)
        unnamed += unnamedNodes(node->child(i), here);
    return unnamed;
}

// What keeps the pieces of text `widget` draws that hold `part` from being read: that none is
// drawn, or the contrast of each that falls below 4.5:1 on what it is drawn on.
QString unreadable(QWidget *widget, const QString &part)
{
    const QList<DrawnText> found = drawnText(widget, part);
    if (found.isEmpty())
        return u"\"%1\" is not drawn; "_s.arg(part);
    QString faults;
    for (const DrawnText &text : found) {
        if (text.contrast() < 4.5)
            faults += u"\"%1\" in %2 on %3 at %4:1; "_s
                          .arg(text.text, text.ink.name(), text.ground.name())
                          .arg(text.contrast(), 0, 'f', 2);
    }
    return faults;
}

// The marks `widget` draws as pieces of text `mark` that cannot be told from the text beside
// them (their ground too near the ground of the rest of the line), or that have none beside.
QString unseenMarks(QWidget *widget, const QString &mark)
{
    const QList<DrawnText> drawn = drawnText(widget);
    QString faults;
    for (const DrawnText &marked : drawn) {
        if (marked.text != mark)
            continue;
        int besides = 0;
        for (const DrawnText &beside : drawn) {
            const bool sameLine = std::abs(beside.rect.center().y() - marked.rect.center().y()) <
                                  marked.rect.height() / 2;
            if (beside.text == mark || !sameLine)
                continue;
            ++besides;
            const double apart = contrastOf(marked.ground, beside.ground);
            if (apart < 1.2)
                faults += u"\"%1\" on %2 beside \"%3\" on %4 (%5:1); "_s.arg(
                    mark, marked.ground.name(), beside.text, beside.ground.name(),
                    QString::number(apart, 'f', 2));
        }
        if (besides == 0)
            faults += u"no text beside \"%1\"; "_s.arg(mark);
    }
    return faults;
}

// The hue of the colour the first piece of text holding `part` is drawn in, in degrees.
int hueOf(QWidget *widget, const QString &part)
{
    const QList<DrawnText> found = drawnText(widget, part);
    return found.isEmpty() ? -1 : found.constFirst().ink.hslHue();
}

// The access key of a caption: the character after its one '&' ("&&" is a '&' shown), upper
// case; none without.
QChar accessKey(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

// What is wrong with the access keys of `captions`, the items of one menu or window: those
// without one, and each key two items share, but for Edit's "C&opy" and "C&opy All", a pair
// the menu has always had.
QStringList accessKeyFaults(const QString &where, const QStringList &captions)
{
    QStringList faults;
    std::map<QChar, QStringList> byKey;
    for (const QString &caption : captions) {
        const QChar key = accessKey(caption);
        if (key.isNull())
            faults << where + u": no access key in \""_s + caption + u'"';
        else
            byKey[key] << caption;
    }
    for (const auto &[key, sharing] : byKey) {
        if (sharing.size() > 1 && sharing != QStringList({u"C&opy"_s, u"C&opy All"_s}))
            faults << where + u": &"_s + key + u" in \""_s + sharing.join(u"\", \""_s) + u'"';
    }
    return faults;
}

// The items of a menu (or the menu bar) that show, as captions.
QStringList menuCaptions(const QWidget &menu)
{
    QStringList captions;
    for (const QAction *action : menu.actions()) {
        if (!action->isSeparator() && action->isVisible())
            captions << action->text();
    }
    return captions;
}

// A control the keyboard reaches that takes input: a field, a list, a text view.
bool isField(const QWidget *widget)
{
    return widget->focusPolicy() != Qt::NoFocus &&
           (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget) ||
            qobject_cast<const QAbstractSpinBox *>(widget) ||
            qobject_cast<const QAbstractItemView *>(widget) ||
            qobject_cast<const QPlainTextEdit *>(widget));
}

// What is wrong with the access keys of a window: each of its buttons has its own, and each of
// its fields one through the label whose buddy it is. The parts of a field (a combo box's
// line edit and list) are the field's.
QStringList windowAccessKeyFaults(const QWidget &window)
{
    QStringList captions;
    QStringList faults;
    const QString where = window.objectName();
    const auto partOfAField = [&window](const QWidget *widget) {
        for (const QWidget *up = widget->parentWidget(); up && up != &window;
             up = up->parentWidget()) {
            if (isField(up))
                return true;
        }
        return false;
    };
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (!partOfAField(button))
            captions << button->text();
    }
    QList<const QWidget *> labelled;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->buddy()) {
            captions << label->text();
            labelled << label->buddy();
        }
    }
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (isField(widget) && !partOfAField(widget) && !labelled.contains(widget))
            faults << where + u": no label with an access key for "_s + widget->objectName();
    }
    return faults + accessKeyFaults(where, captions);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        m_light = QApplication::palette();
    }
    void cleanup() { QApplication::setPalette(m_light); }

    void everyControlIsNamed()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QAccessible::setActive(true);
        const QStringList unnamed = unnamedNodes(QAccessible::queryAccessibleInterface(&t.w()));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
        QCOMPARE(t.lstFLDS()->accessibleName(), u"Folder"_s);
    }

    // The editor keeps Tab for tabs: Ctrl+1 to Ctrl+4 reach the other controls, and Tab goes on
    // from a selector to the buttons before the editor.
    void keyboardReachesEveryControl()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}});
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        const QWidget *newBook =
            t.child<QToolBar>(u"tBAR"_s)->widgetForAction(t.action(u"tBAR_Button1"_s));
        // The keys are pressed in turn on the one window.
        const QList<std::tuple<QString, int, const QWidget *>> targets = {
            {u"Ctrl+1 to the folders"_s, Qt::Key_1, t.lstFLDS()},
            {u"Ctrl+2 to the notes"_s, Qt::Key_2, t.lstFILE()},
            {u"Ctrl+3 to the toolbar"_s, Qt::Key_3, newBook},
            {u"Ctrl+4 to the editor"_s, Qt::Key_4, t.editor()}};
        for (const auto &[row, key, target] : targets) {
            const RowLabel label(row);
            QTest::keyClick(t.editor(), Qt::Key(key), Qt::ControlModifier);
            QTRY_COMPARE(QApplication::focusWidget(), target);
        }
        t.lstFILE()->setFocus();
        QTest::keyClick(t.lstFILE(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), newBook);
    }

    // Within each menu of the main window, in every caption its items take, and within each
    // window added to the design's (and the input box asking for a name), every item has an
    // access key of its own.
    void everyItemHasItsOwnAccessKey()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}, {u"c.txt"_s, encrypted("secret\n")}});
        QStringList faults;
        const auto walkMenus = [&](const QString &state) {
            faults += accessKeyFaults(state + u" menu bar"_s, menuCaptions(*t.w().menuBar()));
            for (const QMenu *menu : t.w().findChildren<QMenu *>())
                faults += accessKeyFaults(state + u' ' + menu->objectName(), menuCaptions(*menu));
        };
        walkMenus(u"a plain note:"_s);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"Encr&ypt with Passphrase..."_s);

        t.pickNote(u"c"_s);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"Decr&ypt with Passphrase..."_s);
        walkMenus(u"an encrypted note:"_s);
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            QTest::keyClicks(static_cast<PassphraseDialog &>(dialog).passphraseField(),
                             kPassphrase);
            return int(QDialog::Accepted);
        });
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"C&hange Passphrase..."_s);
        walkMenus(u"a decrypted note:"_s);
        // Change Passphrase asks twice, with a word about the passphrase.
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"encryptAction"_s);

        t.pickNote(u"a"_s);
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.action(u"T_mnuENCODE"_s)->text(), u"D&ecode"_s);
        walkMenus(u"an encoded note:"_s);
        QVERIFY(t.save());
        t.answer(u"input:kw"_s);
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.status(), u"Decoded"_s);

        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"noteHistoryAction"_s);
        QCOMPARE(t.last().title, u"Note History - a"_s);
        t.platform.answerDialog([&](QDialog &dialog) {
            faults += windowAccessKeyFaults(dialog);
            return int(QDialog::Rejected);
        });
        t.trigger(u"goToNoteAction"_s);
        QCOMPARE(t.last().title, u"Go to Note"_s);
        t.trigger(u"findInBookAction"_s);
        faults += windowAccessKeyFaults(*t.child<FindBookDialog>(u"findInBookDialog"_s));

        // The merge of a note with two copies a sync tool kept: every control it can show.
        const MergeDialog merge(u"plan"_s,
                                mergeMarksOf("a\n<<<<<<< mine\nb\n=======\nc\n>>>>>>> theirs\n"),
                                {}, u"Merged from the version both grew from."_s,
                                {u"plan (copy 1).txt"_s, u"plan (copy 2).txt"_s}, 0);
        faults += windowAccessKeyFaults(merge);

        // The box that asks for a name, as the real platform shows it.
        QtPlatform platform;
        whenModal([&](QWidget *box) {
            box->setObjectName(u"input box"_s);
            faults += windowAccessKeyFaults(*box);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        platform.inputBox(newFolderNamePrompt(u"/home/me/R&D"_s), u"Quirebox - New Folder Name"_s,
                          u"Operator Folder"_s);
        for (const QString &fault : std::as_const(faults))
            qWarning("%s", qPrintable(fault));
        QVERIFY2(faults.isEmpty(), "items without an access key, or sharing one: see above");
    }

    // Navy names on a light selector; on a dark one a colour that can be read, and the about
    // box keeps its own colours whatever the theme.
    void readableInADarkTheme()
    {
        TestWindow t;
        t.open();
        const auto folderContrast = [&] {
            const QPalette palette = t.lstFLDS()->palette();
            return contrastOf(palette.color(QPalette::ButtonText), palette.color(QPalette::Button));
        };
        const auto listContrast = [&] {
            const QPalette palette = t.lstFLDS()->palette();
            return contrastOf(palette.color(QPalette::Text), palette.color(QPalette::Base));
        };
        QCOMPARE(t.lstFLDS()->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
        QCOMPARE(t.lstFLDS()->palette().color(QPalette::Text), QColor(0, 0, 128));
        const QPalette light = QApplication::palette();
        QApplication::setPalette(darkPalette());
        QVERIFY2(folderContrast() >= 4.5, qPrintable(QString::number(folderContrast())));
        QVERIFY2(listContrast() >= 4.5, qPrintable(QString::number(listContrast())));
        mgABOUT about(t.platform, nullptr);
        for (int i = 0; i < 4; ++i) {
            const QPalette palette = about.lblINFO(i)->palette();
            const double contrast = contrastOf(palette.color(QPalette::WindowText),
                                               about.palette().color(QPalette::Window));
            QVERIFY2(contrast >= 4.5,
                     qPrintable(u"line %1 of the about box: %2"_s.arg(i).arg(contrast)));
        }
        QApplication::setPalette(light);
        QCOMPARE(t.lstFLDS()->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
    }

    // The colours the program draws itself, measured as drawn against what they are drawn on,
    // in the offscreen platform's light palette, in a dark one, and with the desktop turning
    // dark while they are shown.

    // The history's removed lines in a red and its added ones in a green.
    void historyDiffIsReadable_data() { paletteRows(); }
    void historyDiffIsReadable()
    {
        startPalette();
        TestWindow t;
        t.open({{u"n.txt"_s, "kept\r\nthe same\r\n"}});
        t.type(u"first "_s);
        QVERIFY(t.save());
        t.type(u"second "_s);
        QVERIFY(t.save());
        QString problems = u"not shown"_s;
        int removedHue = -1, addedHue = -1;
        t.platform.answerDialog([&](QDialog &dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                return int(QDialog::Rejected);
            QWidget *diff = static_cast<HistoryDialog &>(dialog).diffView()->viewport();
            if (!switchPalette(diff))
                return int(QDialog::Rejected);
            problems = unreadable(diff, u"- first kept"_s) +
                       unreadable(diff, u"+ second first kept"_s) +
                       unreadable(diff, u"  the same"_s);
            removedHue = hueOf(diff, u"- first kept"_s);
            addedHue = hueOf(diff, u"+ second first kept"_s);
            return int(QDialog::Rejected);
        });
        t.trigger(u"noteHistoryAction"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QVERIFY2(removedHue <= 20 || removedHue >= 340, qPrintable(QString::number(removedHue)));
        QVERIFY2(addedHue >= 90 && addedHue <= 150, qPrintable(QString::number(addedHue)));
    }

    // The editor's stand-ins, here the picture of a lone CR in a note of CR LF lines: faded, as
    // the text around them is not, and readable.
    void standInsAreReadable_data() { paletteRows(); }
    void standInsAreReadable()
    {
        startPalette();
        TestWindow t;
        t.open({{u"n.txt"_s, "one\r\ntwo\rthree\r\n"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QWidget *view = t.editor()->viewport();
        QVERIFY(switchPalette(view));
        const QString problems = unreadable(view, kCrPicture) + unreadable(view, u"three"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QVERIFY(drawnText(view, kCrPicture).constFirst().ink !=
                drawnText(view, u"three"_s).constFirst().ink);
        QCOMPARE(t.status(), u"Unchanged"_s);
    }

    // The desktop's palette changes under a note with stand-ins: they take the new colour, and
    // the note stays as it was: unchanged, nothing for Undo, its bytes the file's; with an edit,
    // that edit the one step Undo takes back.
    void paletteChangeLeavesTheNoteAsItWas()
    {
        const QByteArray bytes = "one\r\ntwo\rthree\r\n";
        TestWindow t;
        t.open({{u"n.txt"_s, bytes}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QWidget *view = t.editor()->viewport();
        const QTextDocument &document = *t.editor()->document();
        const auto standInInk = [view] { return drawnText(view, kCrPicture).constFirst().ink; };
        const QColor light = standInInk();
        const QString text = t.text();

        QApplication::setPalette(darkPalette());
        QTRY_VERIFY(standInInk() != light);
        QString problems = unreadable(view, kCrPicture);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!document.isUndoAvailable());
        QVERIFY(!document.isModified());
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), text);
        QCOMPARE(t.status(), u"Unchanged"_s);

        t.type(u"x"_s);
        QApplication::setPalette(m_light);
        QTRY_COMPARE(standInInk(), light);
        QCOMPARE(t.status(), u"Changed"_s);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), text);
        QVERIFY(!document.isUndoAvailable());
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), bytes);
    }

    // Find in Book's matches, marked in the lines of the results, on the selected row too.
    void findInBookMarksAreReadable_data() { paletteRows(); }
    void findInBookMarksAreReadable()
    {
        startPalette();
        TestWindow t;
        t.open({{u"a.txt"_s, "an invoice here\r\n"}, {u"b.txt"_s, "another invoice there\r\n"}});
        t.w().show();
        t.trigger(u"findInBookAction"_s);
        QTest::keyClicks(t.child<QComboBox>(u"findInBookField"_s), u"invoice"_s);
        t.child<QPushButton>(u"findInBookButton"_s)->click();
        auto *list = t.child<QTreeView>(u"findInBookList"_s);
        QTRY_COMPARE(list->model()->rowCount(), 2);
        list->setCurrentIndex(list->model()->index(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        QVERIFY(switchPalette(list->viewport()));
        QWidget *view = list->viewport();
        QCOMPARE(drawnText(view, u"invoice"_s).size(), 2);
        const QString problems = unreadable(view, u"invoice"_s) + unseenMarks(view, u"invoice"_s) +
                                 unreadable(view, u"another "_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Go to Note's matches, marked in the notes' names and in the pieces of their text, on the
    // selected row too; each note's folder and the piece of its text, faded.
    void goToNoteMarksAreReadable_data() { paletteRows(); }
    void goToNoteMarksAreReadable()
    {
        startPalette();
        TestWindow t({u"Home"_s, u"Work"_s});
        t.put(u"Eggs list.txt"_s, "milk", u"Home"_s);
        t.put(u"Plans.txt"_s, "Buy more eggs later.\r\n", u"Work"_s);
        t.open();
        t.w().findChild<BookIndex *>()->waitUntilCurrent();
        QString problems = u"not shown"_s;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &window = static_cast<GoToNoteDialog &>(dialog);
            dialog.show();
            QTest::keyClicks(window.queryField(), u"eggs"_s);
            QWidget *view = window.resultList()->viewport();
            if (!QTest::qWaitForWindowExposed(&dialog) ||
                !QTest::qWaitFor([&] { return window.isSettled(); }) ||
                window.results().rowCount() != 2 ||
                !window.resultList()->currentIndex().isValid() || !switchPalette(view))
                return int(QDialog::Rejected);
            problems = unreadable(view, u"Eggs"_s) + unreadable(view, u"eggs"_s) +
                       unseenMarks(view, u"Eggs"_s) + unseenMarks(view, u"eggs"_s) +
                       unreadable(view, u"Plans"_s) + unreadable(view, u"Work"_s) +
                       unreadable(view, u"Buy more"_s);
            return int(QDialog::Rejected);
        });
        t.trigger(u"goToNoteAction"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // The bar above the editor, here telling of a merge left unfinished in the note, and its
    // button.
    void noticeBarIsReadable_data() { paletteRows(); }
    void noticeBarIsReadable()
    {
        startPalette();
        TestWindow t;
        t.open({{u"plan.txt"_s, kUnfinishedMerge}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QVERIFY(bar->isVisible());
        QVERIFY(switchPalette(bar));
        const QString problems = unreadable(bar, u"This note holds an unfinished merge."_s) +
                                 unreadable(bar, u"Merge"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // The guide in the editor's place with no book open: its text and the links to the books
    // opened last.
    void emptyGuideIsReadable_data() { paletteRows(); }
    void emptyGuideIsReadable()
    {
        startPalette();
        TestWindow opened;
        opened.open();
        QVERIFY(opened.w().close());
        TestWindow t;
        qputenv("XDG_STATE_HOME", QFile::encodeName(opened.root.filePath(u"state"_s)));
        t.start({});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        auto *guide = t.child<QLabel>(u"emptyGuide"_s);
        QTRY_VERIFY(guide->isVisible());
        QVERIFY(switchPalette(guide));
        const QString problems =
            unreadable(guide, u"No book is open."_s) + unreadable(guide, u"book"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // The merge window's clashes: their lines, marks and sides, on a background of their own
    // that goes once the clash is settled.
    void mergeClashesAreReadable_data() { paletteRows(); }
    void mergeClashesAreReadable()
    {
        startPalette();
        TestWindow t;
        t.open({{u"plan.txt"_s, kUnfinishedMerge}});
        QString problems = u"not shown"_s;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &merge = static_cast<MergeDialog &>(dialog);
            dialog.show();
            QWidget *view = merge.mergedView()->viewport();
            if (!QTest::qWaitForWindowExposed(&dialog) || !switchPalette(view))
                return int(QDialog::Rejected);
            const QStringList clash = {u"<<<<<<< Mine"_s, u"mine"_s, u"======="_s, u"theirs"_s,
                                       u">>>>>>> Theirs"_s};
            const auto groundOf = [view](const QString &part) {
                const QList<DrawnText> drawn = drawnText(view, part);
                return drawn.isEmpty() ? QColor() : drawn.constFirst().ground;
            };
            const QColor plain = groundOf(u"agreed"_s);
            const QColor text = drawnText(view, u"agreed"_s).value(0).ink;
            problems = unreadable(view, u"agreed"_s);
            for (const QString &part : clash) {
                problems += unreadable(view, part);
                const QColor mark = groundOf(part);
                if (contrastOf(mark, plain) < 1.2)
                    problems += u"\"%1\" is not marked; "_s.arg(part);
                // A tint of the view's ground, not a patch of another palette.
                if (contrastOf(mark, plain) >= contrastOf(mark, text))
                    problems +=
                        u"\"%1\" is marked in %2 on %3; "_s.arg(part, mark.name(), plain.name());
            }
            merge.button(u"theirsButton"_s)->click();
            if (groundOf(u"theirs"_s) != plain)
                problems += u"the clash settled is still marked; "_s;
            return int(QDialog::Rejected);
        });
        t.trigger(u"noticeMergeAction"_s);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

private:
    // A note that holds the marks of a merge left unfinished.
    static constexpr char kUnfinishedMerge[] = "agreed\r\n<<<<<<< HEAD\r\nmine\r\n=======\r\n"
                                               "theirs\r\n>>>>>>> other\r\nz\r\n";

    // The picture the editor shows for a lone CR.
    static constexpr QChar kCrPicture = QChar(0x240D);

    // The rows of a test of colours: the palette the program starts in, and the one the
    // desktop switches to once the colours are shown, if any.
    static void paletteRows()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("switchTo");
        QTest::newRow("light") << u"light"_s << QString();
        QTest::newRow("dark") << u"dark"_s << QString();
        QTest::newRow("light, then dark while shown") << u"light"_s << u"dark"_s;
        QTest::newRow("dark, then light while shown") << u"dark"_s << u"light"_s;
    }
    QPalette paletteNamed(const QString &name) const
    {
        return name == u"dark"_s ? darkPalette() : m_light;
    }
    void startPalette() const
    {
        QFETCH(QString, start);
        QApplication::setPalette(paletteNamed(start));
    }
    // The desktop's palette changes while `shown` is on screen; false when it does not reach
    // `shown`, which takes it as the window system's events come in.
    bool switchPalette(const QWidget *shown) const
    {
        QFETCH(QString, switchTo);
        if (switchTo.isEmpty())
            return true;
        const QPalette palette = paletteNamed(switchTo);
        QApplication::setPalette(palette);
        return QTest::qWaitFor([&] {
            return shown->palette().color(QPalette::Base) == palette.color(QPalette::Base);
        });
    }

    QPalette m_light;
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
