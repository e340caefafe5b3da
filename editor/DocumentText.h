#pragma once

#include <QStringView>

#include <functional>

class QTextDocument;

namespace qb {

// Goes over a document's text as its raw text has it (paragraph breaks as U+2029, the last one
// left out), in order, in runs of one character format each, given by its index in
// QTextDocument::allFormats(). A run's view is valid only during its call. Long runs are not
// copied where Qt allows it. Stops when `visit` returns false.
void forEachTextRun(const QTextDocument &document,
                    const std::function<bool(QStringView run, int formatIndex)> &visit);
// The same for the characters at positions [from, to) of that text.
void forEachTextRun(const QTextDocument &document, qsizetype from, qsizetype to,
                    const std::function<bool(QStringView run, int formatIndex)> &visit);

// The length of that text: the document's characters but its last paragraph break.
qsizetype documentTextLength(const QTextDocument &document);

} // namespace qb
