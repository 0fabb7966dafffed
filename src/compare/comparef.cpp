#include "compare/comparef.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "common/bytes.h"
#include "compare/bandplot.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "text/textlines.h"

namespace {

// A cell sorted by a number (or a status's severity) rather than by its text.
class SortItem : public QTableWidgetItem {
public:
    SortItem(const QString& text, double key) : QTableWidgetItem(text), key_(key) {}
    bool operator<(const QTableWidgetItem& other) const override {
        if (const auto* o = dynamic_cast<const SortItem*>(&other)) return key_ < o->key_;
        return QTableWidgetItem::operator<(other);
    }

private:
    double key_;
};

QColor statusColour(cmp::Status s) {
    switch (s) {
    case cmp::Status::Differs:
    case cmp::Status::NotComparable: return QColor(253, 215, 215);
    case cmp::Status::Missing: return QColor(253, 236, 200);
    case cmp::Status::Within: return QColor(226, 240, 255);
    case cmp::Status::Identical: break;
    }
    return QColor(Qt::white);
}

QString num(double v, int digits = 5) { return toQ(cmp::numberText(v, digits)); }

QTableWidget* makeTable(QWidget* parent, const QStringList& headers, const char* name) {
    auto* t = new QTableWidget(0, int(headers.size()), parent);
    t->setObjectName(QLatin1String(name));
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->setWordWrap(false);
    return t;
}

QString fileSummary(const cmp::FileResult& r) {
    using O = cmp::FileResult::Outcome;
    switch (r.outcome) {
    case O::Failed: return QStringLiteral("not compared: ") + toQ(r.error);
    case O::OnlyReference: return QStringLiteral("only in the reference");
    case O::OnlyCandidate: return QStringLiteral("only in the new results");
    case O::Compared: break;
    }
    if (r.text) {
        const cmp::TextSummary& t = *r.text;
        return QStringLiteral("%1 %2, %3 lines equal within the tolerance (double click to see them side by side)")
            .arg(t.differences)
            .arg(t.differences == 1 ? QStringLiteral("difference") : QStringLiteral("differences"))
            .arg(t.closeLines);
    }
    int differ = 0, missing = 0;
    for (const cmp::VariableResult& v : r.plot->variables) {
        differ += v.status == cmp::Status::Differs;
        missing += v.status == cmp::Status::Missing;
    }
    QString s = QStringLiteral("%1 of %2 variables differ").arg(differ).arg(r.plot->variables.size());
    if (missing) s += QStringLiteral(", %1 missing").arg(missing);
    return s;
}

}  // namespace

TCompareForm::TCompareForm(const QString& title, const CompareRequest& request, std::vector<cmp::FileResult> results,
                           QWidget* parent)
    : TDocWindow(Kind::Comparison, parent), request_(request), results_(std::move(results)) {
    setObjectName(QStringLiteral("CompareForm"));
    setWindowTitle(QStringLiteral("Compare: ") + title);
    auto* layout = new QVBoxLayout(this);
    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("CompareHeader"));
    header_->setWordWrap(true);
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(header_);
    auto* split = new QSplitter(Qt::Vertical, this);
    files_ = makeTable(split, {QStringLiteral("File"), QStringLiteral("Status"), QStringLiteral("Summary")}, "CompareFiles");
    variables_ = makeTable(split,
                           {QStringLiteral("Variable"), QStringLiteral("Status"), QStringLiteral("Largest difference"),
                            QStringLiteral("at X"), QStringLiteral("Largest relative"), QStringLiteral("First X outside"),
                            QStringLiteral("Points outside"), QStringLiteral("Note")},
                           "CompareVariables");
    variables_->setSortingEnabled(true);
    split->addWidget(files_);
    split->addWidget(variables_);
    split->setStretchFactor(1, 3);
    layout->addWidget(split, 1);
    connect(files_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { openFile(row); });
    connect(files_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0 && results_[std::size_t(row)].plot) showFile(row);
    });
    connect(variables_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { openVariable(row); });
    fillFiles();
    // A lone plot data file needs no file list; a few files need no more room than their rows.
    files_->setVisible(results_.size() > 1 || !results_.front().plot);
    const int filesHeight = files_->horizontalHeader()->height() + files_->verticalHeader()->defaultSectionSize() *
                                                                       std::min<int>(int(results_.size()), 6) + 6;
    files_->setMaximumHeight(filesHeight);
    for (std::size_t i = 0; i < results_.size(); ++i)
        if (results_[i].plot) {
            showFile(int(i));
            break;
        }
    if (shown_ < 0) variables_->hide();
    header_->setText(headerText());
    resize(900, 560);
}

QString TCompareForm::headerText() const {
    QString verdict;
    const int code = cmp::exitCode(results_);
    verdict = code == 0   ? QStringLiteral("<b>Everything compared is within the tolerance.</b>")
              : code == 1 ? QStringLiteral("<b style=\"color:#b00000\">The new results differ from the reference.</b>")
                          : QStringLiteral("<b style=\"color:#b00000\">Some files could not be compared.</b>");
    QString text = verdict + QStringLiteral(" A value differs where |new &minus; ref| &gt; max(%1, %2 &middot; |ref|).")
                                 .arg(num(request_.tolerance.abs, 3), num(request_.tolerance.rel, 3));
    if (shown_ >= 0) {
        const cmp::FileResult& r = results_[std::size_t(shown_)];
        text += QStringLiteral("<br>Reference: %1<br>New: %2")
                    .arg(toQ(r.referencePath).toHtmlEscaped(), toQ(r.candidatePath).toHtmlEscaped());
        for (const std::string& n : r.plot->notes) text += QStringLiteral("<br><i>%1</i>").arg(toQ(n).toHtmlEscaped());
    }
    return text;
}

void TCompareForm::fillFiles() {
    files_->setRowCount(int(results_.size()));
    for (std::size_t i = 0; i < results_.size(); ++i) {
        const cmp::FileResult& r = results_[i];
        const QColor back = statusColour(r.status());
        const QString items[] = {toQ(r.name), QLatin1String(cmp::statusText(r.status())), fileSummary(r)};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(items[c]);
            item->setBackground(back);
            files_->setItem(int(i), c, item);
        }
    }
    files_->resizeColumnsToContents();
}

void TCompareForm::showFile(int index) {
    if (index < 0 || index >= int(results_.size()) || !results_[std::size_t(index)].plot) return;
    shown_ = index;
    if (files_->currentRow() != index) files_->selectRow(index);  // which file the list below belongs to
    const cmp::PlotComparison& p = *results_[std::size_t(index)].plot;
    variables_->setSortingEnabled(false);
    variables_->clearContents();
    variables_->setRowCount(int(p.variables.size()));
    variables_->horizontalHeaderItem(3)->setText(QStringLiteral("at ") + toQ(p.xName));
    variables_->horizontalHeaderItem(5)->setText(QStringLiteral("First ") + toQ(p.xName) + QStringLiteral(" outside"));
    for (std::size_t i = 0; i < p.variables.size(); ++i) {
        const cmp::VariableResult& v = p.variables[i];
        const bool values = v.status != cmp::Status::Missing;
        const double none = -HUGE_VAL;
        SortItem* items[] = {
            new SortItem(toQ(v.name), double(i)),
            new SortItem(QLatin1String(cmp::statusText(v.status)), cmp::severity(v.status)),
            new SortItem(values ? num(v.maxAbs) : QString(), values ? v.maxAbs : none),
            new SortItem(values ? num(v.maxAbsX) : QString(), values ? v.maxAbsX : none),
            new SortItem(values ? num(v.maxRel, 3) : QString(), values ? v.maxRel : none),
            new SortItem(v.firstOutside ? num(*v.firstOutside) : QString(), v.firstOutside ? *v.firstOutside : HUGE_VAL),
            new SortItem(values ? QString::number(v.pointsOutside) : QString(), values ? double(v.pointsOutside) : none),
            new SortItem(toQ(v.note), 0)};
        items[0]->setData(Qt::UserRole, int(i));  // the variable behind the row, whatever the order
        for (int c = 0; c < 8; ++c) {
            items[c]->setBackground(statusColour(v.status));
            if (c >= 2 && c <= 6) items[c]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            variables_->setItem(int(i), c, items[c]);
        }
    }
    variables_->setSortingEnabled(true);
    variables_->sortItems(1, Qt::DescendingOrder);  // what differs first
    variables_->resizeColumnsToContents();
    variables_->show();
    header_->setText(headerText());
}

void TCompareForm::openFile(int index) {
    if (index < 0 || index >= int(results_.size())) return;
    const cmp::FileResult& r = results_[std::size_t(index)];
    if (r.plot) showFile(index);
    else if (r.outcome == cmp::FileResult::Outcome::Compared)
        emit textRequested(toQ(r.referencePath), toQ(r.candidatePath), request_);
}

void TCompareForm::openVariable(int row) {
    if (shown_ < 0 || row < 0 || row >= variables_->rowCount()) return;
    const cmp::PlotComparison& p = *results_[std::size_t(shown_)].plot;
    const int v = variables_->item(row, 0)->data(Qt::UserRole).toInt();
    emit plotRequested(cmp::bandPlot(p, p.variables[std::size_t(v)]));
}

QString TCompareForm::tableText() const {
    QTableWidget* t = shown_ >= 0 && !files_->hasFocus() ? variables_ : files_;
    QStringList lines;
    QStringList head;
    for (int c = 0; c < t->columnCount(); ++c) head << t->horizontalHeaderItem(c)->text();
    lines << head.join(QLatin1Char('\t'));
    const QList<QTableWidgetSelectionRange> ranges = t->selectedRanges();
    for (int r = 0; r < t->rowCount(); ++r) {
        bool chosen = ranges.isEmpty();
        for (const auto& range : ranges) chosen = chosen || (r >= range.topRow() && r <= range.bottomRow());
        if (!chosen) continue;
        QStringList cells;
        for (int c = 0; c < t->columnCount(); ++c) cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TCompareForm::copy() { QApplication::clipboard()->setText(tableText()); }

void TCompareForm::Print(PrintContext& ctx) {
    ctx.textOut(ctx.leftMargin, ctx.y, windowTitle());
    ctx.NewLine(2);
    for (const QString& line : tableText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        ctx.textOut(ctx.leftMargin, ctx.y, textlines::expandTabs(line));
        ctx.NewLine(1);
    }
}
