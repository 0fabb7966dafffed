// The print job: prints a list of document windows, in order, into one document
// on the printer, with the page header, the shared print context and page breaks.
#pragma once
#include <QList>
#include <QString>

class QDateTime;
class QPrinter;
class TDocWindow;

// Prints the windows in the given order: text-like kinds one after the other with
// a blank gap between them; a plot on a new page when it does not fit the rest of
// the page, and the window after a plot on a new page; unknown kinds are skipped. Nothing happens for an empty list. Returns false when
// the printer could not begin the document, so nothing was printed. A long job
// shows a progress bar with Cancel; a cancelled job stops at the next page
// break or window and sets PrintCtx().cancelled. A page range set on the
// printer prints only those pages of the job, each as the whole job has it.
[[nodiscard]] bool RunPrintJob(const QList<TDocWindow*>& windows, QPrinter& printer);

// The date and time of the page headers: the locale's short date and long time.
QString printHeaderDateTime(const QDateTime& when);
