// The shared context of a running print job: the printer canvas, the unit M,
// margins, line height and the current line position, read and advanced by every
// window's Print through NewLine.
#pragma once
#include <functional>

class QPainter;
class QString;

struct PrintContext {
    QPainter* canvas = nullptr;
    int pageWidth = 0;    // printer pixels
    int pageHeight = 0;
    int M = 0;            // a printer length standing for one inch
    int topMargin = 0;
    int leftMargin = 0;
    int lineHeight = 0;
    int y = 0;            // where the next line is printed
    bool printing = false;
    bool landscape = false;  // the printer's page orientation
    int pageNumber = 0;      // pages begun so far in this job (the printer's page number)
    // Set by the print job: starts a new page and prints its "Page n" header.
    std::function<void()> startNewPage;
    // Set by the print job: a window with a long drawing tells how far it is
    // (0..1); false once the user cancelled the job (the window then stops).
    std::function<bool(double)> progress;
    // The last job was cancelled by the user (it printed what came before).
    bool cancelled = false;

    // Advances y by n lines; while a job runs, breaks the page when it is full.
    // The new page is begun when something is printed on it (textOut or
    // beginOutput), so a window that ends exactly at the foot of a page leaves
    // no page with only its header.
    void NewLine(int n);
    // Begins the page a break is waiting for; call before drawing on the canvas
    // other than through textOut.
    void beginOutput() const;
    // Draws text on the canvas with its top (not its baseline) at y, the way the
    // line positions above are meant.
    void textOut(int x, int y, const QString& text) const;
    // A page break that waits for output (see NewLine).
    mutable bool pageBreakPending = false;
};

// The one print context of the program.
PrintContext& PrintCtx();
