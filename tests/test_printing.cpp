// File > Print... and File > Export as PDF... through the window. The pages are read back from
// the PDF with pdftotext, as a reader of the file sees them: the note's name and "Page N of M"
// on each, every word of the note in order, a long line wrapped, never cut. A secret note
// shown deciphered is refused; one shown enciphered leaves as it is shown. A failed export
// leaves no file, nor half a PDF over the one there.
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "faults/Faults.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

using namespace qb;
using namespace qb::test;

namespace {

// Three pages and more: a long line of numbered words, words beyond ASCII, and many short lines.
QString longNote()
{
    QString text = u"Plan for the week\n"_s;
    for (int i = 1; i <= 300; ++i)
        text += u"word%1 "_s.arg(i);
    text += u"\nGrüße aus Köln, naïve façade, Ελληνικά\n"_s;
    for (int i = 1; i <= 200; ++i)
        text += u"line %1 of the list\n"_s.arg(i);
    return text;
}

// The words of `text`, as a reader sees them: a control character (in an encoded note's cipher
// text) has no picture.
QStringList wordsOf(QString text)
{
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control && !c.isSpace(); });
    static const QRegularExpression blanks(u"\\s+"_s);
    return text.split(blanks, Qt::SkipEmptyParts);
}

// The pages of the PDF at `path` as pdftotext reads them, each as its lines that are not blank.
void readPdf(const QString &path, QList<QStringList> &pages)
{
    const QString tool = QStandardPaths::findExecutable(u"pdftotext"_s);
    QVERIFY2(!tool.isEmpty(), "pdftotext (poppler-utils) reads the PDF back");
    QProcess pdftotext;
    // As laid out: read in its reading order, a line that ends with '-' (an age armour's first)
    // would be joined to the next as a word broken in two.
    pdftotext.start(tool, {u"-layout"_s, u"-enc"_s, u"UTF-8"_s, path, u"-"_s});
    QVERIFY(pdftotext.waitForFinished(60'000));
    QVERIFY2(pdftotext.exitStatus() == QProcess::NormalExit && pdftotext.exitCode() == 0,
             pdftotext.readAllStandardError().constData());
    // Each page ends with a form feed.
    QStringList texts = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    QCOMPARE(texts.takeLast(), QString());
    pages.clear();
    for (const QString &text : std::as_const(texts)) {
        QStringList lines;
        for (const QString &line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        pages << lines;
    }
}

// Every page of `pages` is headed by `name` and ends with its number of `pageCount`, counted
// from `first`; between them are the words of `text`, in order.
void expectPages(const QList<QStringList> &pages, const QString &name, const QString &text,
                 int first = 1, int pageCount = 0)
{
    QVERIFY(!pages.isEmpty());
    if (pageCount == 0)
        pageCount = int(pages.size());
    QStringList words;
    for (int i = 0; i < pages.size(); ++i) {
        const QStringList &lines = pages.at(i);
        QVERIFY2(lines.size() >= 2, qPrintable(lines.join(u'|')));
        QCOMPARE(lines.first(), name);
        QCOMPARE(lines.last(), u"Page %1 of %2"_s.arg(first + i).arg(pageCount));
        words << wordsOf(lines.mid(1, lines.size() - 2).join(u' '));
    }
    QCOMPARE(words, wordsOf(text));
}

// The line of `pages` that holds `word`.
QString lineHolding(const QList<QStringList> &pages, const QString &word)
{
    for (const QStringList &lines : pages) {
        for (const QString &line : lines) {
            if (wordsOf(line).contains(word))
                return line;
        }
    }
    return {};
}

// Prints to a PDF file at `path`, as the print dialog's "Print to File" does; the pages
// `from` to `to` when given.
void answerPrintToFile(TestWindow &t, const QString &path, int from = 0, int to = 0)
{
    t.platform.answerPrint([path, from, to](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (from > 0)
            printer.setFromTo(from, to);
        return true;
    });
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { QB_FAULTS_AND_HOME_IN(m_home.path()); }

    // The note named after itself in its folder, then elsewhere; the next export starts where
    // the last one went.
    void exportsEveryWordOnNumberedPages()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, longNote().toUtf8()}});
        const QString elsewhere = t.root.filePath(u"out/plan.pdf"_s);
        QVERIFY(QDir().mkpath(t.root.filePath(u"out"_s)));
        t.answer(u"file:"_s + elsewhere);
        t.trigger(u"exportPdfAction"_s);
        QCOMPARE(t.last().kind, FakePlatform::Kind::File);
        QCOMPARE(t.last().title, u"Export as PDF"_s);
        QCOMPARE(t.last().file.initialName, t.note(u"plan.pdf"_s));
        QCOMPARE(t.last().file.mode, Platform::FileDialogRequest::Mode::Save);
        QVERIFY(t.last().file.confirmOverwrite);

        QList<QStringList> pages;
        readPdf(elsewhere, pages);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        expectPages(pages, u"plan"_s, longNote());
        const QString wrapped = lineHolding(pages, u"word1"_s);
        QVERIFY(!wrapped.isEmpty() && !wrapped.contains(u"word300"_s));
        QCOMPARE(lineHolding(pages, u"Köln,"_s), u"Grüße aus Köln, naïve façade, Ελληνικά"_s);

        // The zoom is the screen's: the pages stay the same.
        t.trigger(u"zoomInAction"_s);
        t.trigger(u"zoomInAction"_s);
        const QString zoomed = t.root.filePath(u"out/zoomed.pdf"_s);
        t.answer(u"file:"_s + zoomed);
        t.trigger(u"exportPdfAction"_s);
        QList<QStringList> zoomedPages;
        readPdf(zoomed, zoomedPages);
        QCOMPARE(zoomedPages, pages);
        QVERIFY(QFile::remove(zoomed));

        // Cancelled: nothing is written.
        t.answer(u"file:"_s);
        t.trigger(u"exportPdfAction"_s);
        QCOMPARE(t.last().file.initialName, elsewhere);
        QCOMPARE(entriesOf(t.root.filePath(u"out"_s)), QStringList{u"plan.pdf"_s});
        QCOMPARE(entriesOf(t.dir()), QStringList{u"plan.txt"_s});
        QCOMPARE(t.platform.prompts.size(), 3);
    }

    // The print dialog chooses a file: the same pages go there, or the pages asked for alone,
    // numbered of all.
    void printsThroughThePrintDialog()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, longNote().toUtf8()}});
        const QString all = t.root.filePath(u"all.pdf"_s);
        answerPrintToFile(t, all);
        t.trigger(u"printAction"_s);
        QCOMPARE(t.last().kind, FakePlatform::Kind::Print);
        QCOMPARE(t.last().title, u"plan"_s); // the printer's document name
        QList<QStringList> pages;
        readPdf(all, pages);
        QVERIFY(pages.size() >= 3);
        expectPages(pages, u"plan"_s, longNote());

        const QString some = t.root.filePath(u"some.pdf"_s);
        answerPrintToFile(t, some, 2, 3);
        t.trigger(u"printAction"_s);
        QList<QStringList> chosen;
        readPdf(some, chosen);
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen.constFirst().constLast(), u"Page 2 of %1"_s.arg(pages.size()));
        QCOMPARE(chosen, pages.mid(1, 2));

        // Cancelled: nothing is printed, and nothing more is asked.
        t.platform.answerPrint({});
        t.trigger(u"printAction"_s);
        QCOMPARE(t.platform.prompts.size(), 3);
        QCOMPARE(entriesOf(t.root.path()).filter(u".pdf"_s),
                 QStringList({u"all.pdf"_s, u"some.pdf"_s}));
    }

    // An encrypted note leaves as its armour; decrypted, it is refused, with no dialog and no
    // file. The same with the keyword: encoded it leaves as its cipher text, decoded it stays.
    void refusesTheClearTextOfSecretNotes()
    {
        TestWindow t;
        t.open({{u"secret.txt"_s, encrypted("TOPSECRET words\n")},
                {u"tale.txt"_s, "KEYWORDSECRET tale\r\n"}});
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"secret.txt"_s));
        t.answer(u"file:"_s + t.note(u"armour.pdf"_s));
        t.trigger(u"exportPdfAction"_s);
        QList<QStringList> pages;
        readPdf(t.note(u"armour.pdf"_s), pages);
        expectPages(pages, u"secret"_s, t.text());
        QVERIFY(t.text().startsWith(u"-----BEGIN AGE ENCRYPTED FILE-----"_s));

        answerPassphrase(t.platform, kPassphrase);
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        const QStringList before = entriesOf(t.dir());
        const qsizetype asked = t.platform.prompts.size();
        for (const auto &[command, done, doing, title] :
             {std::tuple(u"printAction"_s, u"printed"_s, u"print"_s, u"Print"_s),
              std::tuple(u"exportPdfAction"_s, u"exported"_s, u"export"_s, u"Export as PDF"_s)}) {
            t.answer(u"ok"_s);
            t.trigger(command);
            QCOMPARE(t.last().kind, FakePlatform::Kind::Message);
            QCOMPARE(t.last().text, u"A decrypted note is not %1: its text would leave the "
                                    "program unencrypted. Encrypt it again to %2 it as it is "
                                    "kept."_s.arg(done, doing));
            QCOMPARE(t.last().title, title);
        }
        QCOMPARE(t.platform.prompts.size(), asked + 2);
        QCOMPARE(entriesOf(t.dir()), before);

        // Encoded in the editor, the note shows its cipher text, which leaves as it is.
        t.pickNote(u"tale"_s);
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Encoded"_s);
        t.answer(u"file:"_s + t.note(u"cipher.pdf"_s));
        t.trigger(u"exportPdfAction"_s);
        readPdf(t.note(u"cipher.pdf"_s), pages);
        expectPages(pages, u"tale"_s, t.text());
        QCOMPARE(lineHolding(pages, u"KEYWORDSECRET"_s), QString());

        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Decoded"_s);
        t.answer(u"ok"_s);
        t.trigger(u"exportPdfAction"_s);
        QCOMPARE(t.last().text, u"A decoded note is not exported: its text would leave the "
                                "program unencoded. Encode it again to export it as it is "
                                "kept."_s);
        QStringList after = before + QStringList{u"cipher.pdf"_s};
        after.sort();
        QCOMPARE(entriesOf(t.dir()), after);
    }

    // The export is refused by the system: the user is told why, and the folder keeps what it
    // held, the PDF that was there whole.
    void failedExportLeavesNoFile_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<qint64>("passBytes");
        QTest::addColumn<QByteArray>("there"); // the file the export would replace
        QTest::newRow("a folder that cannot be written") << u"open"_s << EACCES << -1LL << ""_ba;
        QTest::newRow("a full disk, over an older PDF")
            << u"write"_s << ENOSPC << 4000LL << "%PDF-1.4 the older export"_ba;
    }
    void failedExportLeavesNoFile()
    {
        QFETCH(QString, call);
        QFETCH(int, error);
        QFETCH(qint64, passBytes);
        QFETCH(QByteArray, there);
        TestWindow t;
        t.open({{u"plan.txt"_s, longNote().toUtf8()}});
        const QString folder = t.root.filePath(u"No Entry"_s);
        const QString pdf = folder + u"/plan.pdf"_s;
        QVERIFY(QDir().mkpath(folder));
        if (!there.isEmpty())
            QVERIFY(writeBytes(pdf, there));
        const QStringList before = entriesOf(folder);

        Faults faults;
        faults.arm(call.toLatin1().constData(), error, folder, passBytes);
        t.answer(u"file:"_s + pdf + u"|ok"_s);
        t.trigger(u"exportPdfAction"_s);
        QVERIFY(faults.hits() > 0);
        faults.disarm();
        QCOMPARE(t.last().kind, FakePlatform::Kind::Message);
        QCOMPARE(t.last().title, u"Export as PDF"_s);
        QCOMPARE(t.last().icon, Platform::Icon::Exclamation);
        QCOMPARE(t.last().text, u"Quirebox can't export the note to \""_s + pdf + u"\".\r\n"_s +
                                    QString::fromLocal8Bit(std::strerror(error)));
        QCOMPARE(entriesOf(folder), before);
        if (!there.isEmpty())
            QCOMPARE(readBytes(pdf), there);
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
