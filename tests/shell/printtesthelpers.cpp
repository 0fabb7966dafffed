#include "printtesthelpers.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QTemporaryDir>
#include <QPageSize>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>

#include "shell/printcontext.h"
#include "shell/progress.h"

namespace printtest {

namespace {

Visit visitOf(const PrintContext& ctx) {
    Visit v;
    v.pageNumber = ctx.pageNumber;
    v.y = ctx.y;
    v.M = ctx.M;
    v.leftMargin = ctx.leftMargin;
    v.lineHeight = ctx.lineHeight;
    v.pageWidth = ctx.pageWidth;
    v.pageHeight = ctx.pageHeight;
    v.printing = ctx.printing;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* p = qobject_cast<TPrintProgress*>(w);
        if (!p || !p->isVisible()) continue;
        v.progressShown = true;
        v.progressTitle = p->windowTitle();
        v.progressText = p->text();
        v.progressOnTop = p->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    }
    return v;
}

QString run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

LinesWindow::LinesWindow(int tag, const QString& prefix_, int lines_, const QString& caption)
    : TDocWindow(tag), prefix(prefix_), lines(lines_) {
    setWindowTitle(caption.isEmpty() ? prefix_ : caption);
}

void LinesWindow::Print(PrintContext& ctx) {
    visits.append(visitOf(ctx));
    QFont font(QStringLiteral("MS LineDraw"));
    font.setPointSize(10);
    ctx.canvas->setFont(font);
    for (int i = 0; i < lines; ++i) {
        ctx.textOut(ctx.leftMargin, ctx.y, prefix + QString::number(i));
        ctx.NewLine(1);
    }
}

BlockWindow::BlockWindow(const QString& word_, int height_) : TDocWindow(Kind::Plot), word(word_), height(height_) {
    setWindowTitle(word_);
}

int BlockWindow::PrintHeight(const PrintContext&) const {
    ++heightAsked;
    return height;
}

void BlockWindow::Print(PrintContext& ctx) {
    visits.append(visitOf(ctx));
    ctx.canvas->setPen(Qt::red);
    ctx.canvas->drawRect(ctx.leftMargin, ctx.y, 1000, height);
    ctx.textOut(ctx.leftMargin + 10, ctx.y + 10, word);
}

std::unique_ptr<QPrinter> pdfPrinter(const QString& path, const QPageSize& size, QPageLayout::Orientation orientation) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(600);
    printer->setPageSize(size);
    printer->setPageOrientation(orientation);
    printer->setFullPage(true);
    printer->setOutputFileName(path);
    return printer;
}

QStringList pdfPages(const QString& path) {
    const QString text = run({QStringLiteral("-layout"), path, QStringLiteral("-")});
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
    for (QString& p : pages) p = p.simplified();
    return pages;
}

QList<Word> pdfWords(const QString& path) {
    const QString html = run({QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<Word> words;
    int page = 0;
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        words.append({page, m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

Word findWord(const QList<Word>& words, const QString& text) {
    for (const Word& w : words)
        if (w.text == text) return w;
    return {};
}

QImage pdfPageImage(const QString& path, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-r"),
                                         QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                                         QStringLiteral("-l"), QString::number(page), path, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QImage(prefix + QStringLiteral(".png"));
}

void installFonts() {
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS LineDraw"), QStringLiteral("DejaVu Sans Mono"));
}

}  // namespace printtest
