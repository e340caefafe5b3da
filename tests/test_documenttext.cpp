// Built twice: against the program's own reading of the editor's text, and against the one for
// a Qt without its private headers (QB_DOCUMENT_PUBLIC_API_ONLY), which no other test reaches.
#include "RowLabel.h"
#include "editor/DocumentText.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace qb;

class TestDocumentText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Any range of a document edited into many fragments of several formats comes out as its
    // raw text has it, each character in its own format, a line's break too.
    void runsOfRanges()
    {
        QTextDocument document;
        QRandomGenerator random(20261206);
        QTextCursor cursor(&document);
        const QStringList pieces = {u"word "_s,         u"\n"_s,
                                    u"\u00E9t\u00E9"_s, u"\U0001F600"_s,
                                    QString(500, u'z'), u"\n\n"_s};
        for (int i = 0; i < 400; ++i) {
            cursor.setPosition(random.bounded(document.characterCount()));
            QTextCharFormat format;
            format.setProperty(QTextFormat::UserProperty, random.bounded(3));
            cursor.insertText(pieces[random.bounded(pieces.size())], format);
        }
        const QString raw = document.toRawText();
        const qsizetype length = documentTextLength(document);
        QCOMPARE(length, raw.size());
        const QList<QTextFormat> formats = document.allFormats();
        for (int round = 0; round < 100; ++round) {
            qsizetype from = random.bounded(length + 1);
            qsizetype to = random.bounded(length + 1);
            if (round == 0) {
                from = 0;
                to = length;
            }
            if (from > to)
                std::swap(from, to);
            const test::RowLabel row(
                u"the characters %1 to %2 of %3"_s.arg(from).arg(to).arg(length));
            QString text;
            bool formatsHold = true;
            forEachTextRun(document, from, to, [&](QStringView run, int formatIndex) {
                for (qsizetype i = 0; i < run.size(); ++i) {
                    const int position = int(from + text.size() + i);
                    // A line's break has the format the next line starts with.
                    QTextCursor at(&document);
                    at.setPosition(position + 1);
                    const QTextCharFormat format =
                        run[i] == QChar::ParagraphSeparator
                            ? document.findBlock(position + 1).charFormat()
                            : at.charFormat();
                    formatsHold = formatsHold && formatIndex >= 0 && formats[formatIndex] == format;
                }
                text += run;
                return true;
            });
            QCOMPARE(text, raw.sliced(from, to - from));
            QVERIFY(formatsHold);
        }
        // A visit that says stop is the last.
        int visits = 0;
        forEachTextRun(document, [&visits](QStringView, int) { return ++visits < 2; });
        QCOMPARE(visits, 2);
    }
};

QTEST_MAIN(TestDocumentText)
#include "test_documenttext.moc"
