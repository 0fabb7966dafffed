#include "compare/runsummaryf.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/ioerror.h"
#include "compare/bandplot.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "text/textlines.h"

TRunsCompareForm::TRunsCompareForm(const QString& tableName, std::vector<QString> runFiles, const CompareRequest& request,
                                   QWidget* parent)
    : TDocWindow(Kind::Comparison, parent), files_(std::move(runFiles)), request_(request) {
    setObjectName(QStringLiteral("RunsCompareForm"));
    setWindowTitle(QStringLiteral("Compare runs of ") + tableName);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Compare every run with run"), this));
    base_ = new QComboBox(this);
    base_->setObjectName(QStringLiteral("BaseRun"));
    for (std::size_t i = 1; i < files_.size(); ++i)
        if (!files_[i].isEmpty()) base_->addItem(QString::number(i), int(i));
    top->addWidget(base_);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    top->addWidget(note_, 1);
    layout->addLayout(top);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("RunsTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    layout->addWidget(table_, 1);
    connect(base_, &QComboBox::activated, this, [this](int index) { setBaseRun(base_->itemData(index).toInt()); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, &TRunsCompareForm::openCell);
    resize(760, 360);
    if (base_->count()) setBaseRun(base_->itemData(0).toInt());
}

void TRunsCompareForm::setBaseRun(int run) {
    std::vector<std::string> files;
    for (const QString& f : files_) files.push_back(toBytes(f));
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        summary_ = cmp::compareRuns(files, run, request_.tolerance);
        QApplication::restoreOverrideCursor();
    } catch (const pal::IoError& e) {
        QApplication::restoreOverrideCursor();
        ShowIoError(e);
        return;
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        ShowAlert(toQ(e.what()), AlertKind::Error, true);
        return;
    }
    base_->setCurrentIndex(base_->findData(run));
    note_->setText(QStringLiteral("Each cell: the largest relative difference |new - ref| / |ref|; red where a value "
                                  "differs by more than max(%1, %2 \u00b7 |ref|).")
                       .arg(toQ(cmp::numberText(request_.tolerance.abs, 3)), toQ(cmp::numberText(request_.tolerance.rel, 3))));
    const auto& vars = summary_.variables;
    table_->clear();
    table_->setColumnCount(int(vars.size()) + 2);
    table_->setRowCount(int(summary_.rows.size()));
    QStringList head{QStringLiteral("Run")};
    for (const std::string& v : vars) head << toQ(v);
    head << QStringLiteral("Note");
    table_->setHorizontalHeaderLabels(head);
    for (std::size_t r = 0; r < summary_.rows.size(); ++r) {
        const cmp::RunsSummary::Row& row = summary_.rows[r];
        table_->setItem(int(r), 0, new QTableWidgetItem(QString::number(row.run)));
        for (std::size_t k = 0; k < row.cells.size(); ++k) {
            const cmp::RunsSummary::Cell& c = row.cells[k];
            auto* item = new QTableWidgetItem(c.status == cmp::Status::Missing ? QStringLiteral("missing")
                                                                                : toQ(cmp::numberText(c.maxRel, 3)));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c.status == cmp::Status::Differs) item->setBackground(QColor(253, 215, 215));
            else if (c.status == cmp::Status::Missing) item->setBackground(QColor(253, 236, 200));
            else if (c.status == cmp::Status::Within) item->setBackground(QColor(226, 240, 255));
            table_->setItem(int(r), int(k) + 1, item);
        }
        table_->setItem(int(r), int(vars.size()) + 1,
                        new QTableWidgetItem(row.run == run ? QStringLiteral("the run compared with") : toQ(row.note)));
    }
    table_->resizeColumnsToContents();
}

void TRunsCompareForm::openCell(int row, int column) {
    if (row < 0 || row >= int(summary_.rows.size()) || column < 1 || column > int(summary_.variables.size())) return;
    const int run = summary_.rows[std::size_t(row)].run;
    if (files_[std::size_t(run)].isEmpty()) return;
    try {
        const cmp::PlotComparison c =
            cmp::comparePlotData(cmp::readPlotColumns(toBytes(files_[std::size_t(summary_.baseRun)])),
                                 cmp::readPlotColumns(toBytes(files_[std::size_t(run)])), request_.tolerance);
        if (const cmp::VariableResult* v = c.find(summary_.variables[std::size_t(column - 1)]))
            emit plotRequested(cmp::bandPlot(c, *v));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    } catch (const std::exception& e) {
        ShowAlert(toQ(e.what()), AlertKind::Error, true);
    }
}

void TRunsCompareForm::copy() { QApplication::clipboard()->setText(toQ(cmp::summaryText(summary_))); }

void TRunsCompareForm::Print(PrintContext& ctx) {
    ctx.textOut(ctx.leftMargin, ctx.y, windowTitle());
    ctx.NewLine(2);
    for (const QString& line : toQ(cmp::summaryText(summary_)).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        ctx.textOut(ctx.leftMargin, ctx.y, textlines::expandTabs(line));
        ctx.NewLine(1);
    }
}
