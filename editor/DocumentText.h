#pragma once

#include <QStringView>

#include <functional>

class QTextDocument;

namespace qb {

// Goes over a document's text as its raw text has it (paragraph breaks as U+2029, the last one
// left out), in the runs the document keeps it in, each with the index of its character format
// in QTextDocument::allFormats(), in order, and without copying the text where Qt allows it.
// Stops when `visit` returns false.
void ForEachTextRun(const QTextDocument &document,
                    const std::function<bool(QStringView run, int formatIndex)> &visit);

} // namespace qb
