// Shared by the printing tests: document windows that print known lines, a PDF
// printer, and the text and word positions read back from a PDF with pdftotext.
#pragma once
#include <QList>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>

#include "shell/docwindow.h"

class QImage;
class QPageSize;

namespace printtest {

// What a fake window saw of the print context when the job called it.
struct Visit {
    int pageNumber = 0;
    int y = 0;
    int M = 0;
    int leftMargin = 0;
    int lineHeight = 0;
    int pageWidth = 0;
    int pageHeight = 0;
    bool printing = false;
    bool progressShown = false;
    QString progressTitle, progressText;
    bool progressOnTop = false;
};

// Prints `lines` lines "<prefix><i>" in a monospace face, one NewLine each, as the
// text windows do.
class LinesWindow : public TDocWindow {
public:
    LinesWindow(int tag, const QString& prefix, int lines, const QString& caption = {});
    void Print(PrintContext& ctx) override;
    QList<Visit> visits;
    QString prefix;
    int lines;
};

// A plot stand-in: reports a fixed printed height and prints one word at y.
class BlockWindow : public TDocWindow {
public:
    BlockWindow(const QString& word, int height);
    int PrintHeight(const PrintContext& ctx) const override;
    void Print(PrintContext& ctx) override;
    QList<Visit> visits;
    mutable int heightAsked = 0;
    QString word;
    int height;
};

// A PDF printer at 600 dpi on the whole sheet (no printer margins).
std::unique_ptr<QPrinter> pdfPrinter(const QString& path, const QPageSize& size,
                                     QPageLayout::Orientation orientation = QPageLayout::Portrait);

// The text of each page (pdftotext, physical layout), blanks collapsed.
QStringList pdfPages(const QString& path);

struct Word {
    int page = 0;  // 1-based
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // points
};
QList<Word> pdfWords(const QString& path);
// The first word with this text; a default Word (page 0) when there is none.
Word findWord(const QList<Word>& words, const QString& text);

// One page rendered at the given resolution (pdftoppm); a null image on failure.
QImage pdfPageImage(const QString& path, int page, int dpi);

// Printer pixels at 600 dpi in PDF points.
inline double toPoints(int pixels) { return pixels * 72.0 / 600.0; }

// Sans and monospace faces for the font names the program prints with.
void installFonts();

}  // namespace printtest
