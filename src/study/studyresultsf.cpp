#include "study/studyresultsf.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QFileInfo>
#include <cmath>
#include <stdexcept>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "plot/plotdata.h"
#include "plot/pmxfile.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "study/sensitivity.h"

namespace {

constexpr int kIndexRole = Qt::UserRole;      // the run's index in the results (column 0)
constexpr int kValueRole = Qt::UserRole + 1;  // the number a cell sorts by

// Cells sort by their numbers; cells without one (failed) after every number.
class NumberItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant a = data(kValueRole), b = other.data(kValueRole);
        if (a.isValid() && b.isValid()) return a.toDouble() < b.toDouble();
        if (a.isValid() != b.isValid()) return a.isValid();
        return text() < other.text();
    }
};

QTableWidgetItem* cell(const QString& text, std::optional<double> value) {
    auto* item = new NumberItem(text);
    if (value) item->setData(kValueRole, *value);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TStudyResultsForm::TStudyResultsForm(const QString& tablePath, table::TableData table, std::vector<std::string> files,
                                     std::vector<std::optional<std::string>> knownFailure, QWidget* parent)
    : TDocWindow(Kind::Comparison, parent), tablePath_(tablePath), table_(std::move(table)), files_(std::move(files)),
      knownFailure_(std::move(knownFailure)) {
    setObjectName(QStringLiteral("StudyResultsForm"));
    setWindowTitle(QStringLiteral("Results of %1").arg(tablePath_.isEmpty() ? QStringLiteral("the table") : tablePath_));
    auto* layout = new QVBoxLayout(this);

    auto* choose = new QHBoxLayout;
    choose->addWidget(new QLabel(QStringLiteral("Metrics:"), this));
    MetricsEdit = new QLineEdit(this);
    MetricsEdit->setObjectName(QStringLiteral("MetricsEdit"));
    MetricsEdit->setPlaceholderText(QStringLiteral("LEVEL:max, ENERGY:final, LEVEL:at=12"));
    choose->addWidget(MetricsEdit, 1);
    auto* collectBtn = new QPushButton(QStringLiteral("&Collect"), this);
    choose->addWidget(collectBtn);
    layout->addLayout(choose);

    auto* add = new QHBoxLayout;
    ColumnChoice = new QComboBox(this);
    MetricChoice = new QComboBox(this);
    for (const study::MetricWord& w : study::metricWords())
        MetricChoice->addItem(QStringLiteral("%1 (%2)").arg(QLatin1String(w.word), QLatin1String(w.meaning)), int(w.kind));
    AtEdit = new QLineEdit(this);
    AtEdit->setPlaceholderText(QStringLiteral("X"));
    AtEdit->setMaximumWidth(80);
    auto* addBtn = new QPushButton(QStringLiteral("&Add"), this);
    add->addWidget(new QLabel(QStringLiteral("Column"), this));
    add->addWidget(ColumnChoice);
    add->addWidget(MetricChoice, 1);
    add->addWidget(AtEdit);
    add->addWidget(addBtn);
    layout->addLayout(add);

    Grid = new QTableWidget(this);
    Grid->setObjectName(QStringLiteral("ResultsGrid"));
    Grid->verticalHeader()->hide();
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    layout->addWidget(Grid, 1);
    Note = new QLabel(this);
    Note->setWordWrap(true);
    layout->addWidget(Note);

    auto* bottom = new QHBoxLayout;
    auto* copyBtn = new QPushButton(QStringLiteral("C&opy"), this);
    auto* exportBtn = new QPushButton(QStringLiteral("&Export CSV..."), this);
    PlotMetric = new QComboBox(this);
    PlotX = new QComboBox(this);
    PlotBy = new QComboBox(this);
    auto* plotBtn = new QPushButton(QStringLiteral("&Plot"), this);
    bottom->addWidget(copyBtn);
    bottom->addWidget(exportBtn);
    bottom->addStretch();
    bottom->addWidget(new QLabel(QStringLiteral("Plot"), this));
    bottom->addWidget(PlotMetric);
    bottom->addWidget(new QLabel(QStringLiteral("against"), this));
    bottom->addWidget(PlotX);
    bottom->addWidget(new QLabel(QStringLiteral("one curve per"), this));
    bottom->addWidget(PlotBy);
    bottom->addWidget(plotBtn);
    layout->addLayout(bottom);

    connect(collectBtn, &QPushButton::clicked, this, &TStudyResultsForm::CollectBtnClick);
    connect(MetricsEdit, &QLineEdit::returnPressed, this, &TStudyResultsForm::CollectBtnClick);
    connect(addBtn, &QPushButton::clicked, this, &TStudyResultsForm::AddBtnClick);
    connect(copyBtn, &QPushButton::clicked, this, &TStudyResultsForm::copy);
    connect(exportBtn, &QPushButton::clicked, this, &TStudyResultsForm::ExportBtnClick);
    connect(plotBtn, &QPushButton::clicked, this, &TStudyResultsForm::PlotBtnClick);

    // The columns of the first run whose plot data can be read.
    for (const std::string& f : files_) {
        if (f.empty()) continue;
        try {
            const plot::PlotDataStream data(f);
            for (const std::string& n : data.names()) ColumnChoice->addItem(toQ(n));
            break;
        } catch (const pal::IoError&) {
        }
    }
    for (const table::TableColumn& c : table_.columns) {
        PlotX->addItem(toQ(c.name));
        PlotBy->addItem(toQ(c.name));
    }
    PlotBy->insertItem(0, QStringLiteral("(none)"));
    PlotBy->setCurrentIndex(table_.variables() > 1 ? 2 : 0);

    std::vector<study::Metric> stored;
    if (!tablePath_.isEmpty()) {
        try {
            stored = study::readMetricsFile(study::metricsFilePath(toBytes(tablePath_)));
        } catch (const pal::IoError&) {
            // Unreadable: the user chooses again.
        }
    }
    MetricsEdit->setText(toQ(study::metricListText(stored)));
    resize(760, 420);
    if (!stored.empty()) collect(MetricsEdit->text());
}

bool TStudyResultsForm::collect(const QString& metricsText) {
    std::vector<study::Metric> metrics;
    try {
        metrics = study::parseMetricList(toBytes(metricsText));
        study::checkMetricColumns(metrics, files_);
    } catch (const study::MetricError& e) {
        ShowAlert(toQ(e.what()), AlertKind::ErrorOk, true);
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    results_ = study::collectTable(table_, files_, metrics, knownFailure_);
    QApplication::restoreOverrideCursor();
    fillGrid();
    if (!tablePath_.isEmpty()) {
        try {
            study::writeMetricsFile(study::metricsFilePath(toBytes(tablePath_)), metrics);
        } catch (const pal::IoError& e) {
            ShowIoError(e);
        }
    }
    return true;
}

void TStudyResultsForm::fillGrid() {
    const study::StudyResults& r = results_;
    Grid->setSortingEnabled(false);
    Grid->clear();
    const int vars = static_cast<int>(r.variables.size()), mets = static_cast<int>(r.metrics.size());
    Grid->setColumnCount(1 + vars + mets + 1);
    Grid->setRowCount(static_cast<int>(r.runs.size()));
    QStringList head{QStringLiteral("Run")};
    for (const std::string& v : r.variables) head << toQ(v);
    for (const study::Metric& m : r.metrics) head << toQ(m.text());
    head << QStringLiteral("Status");
    Grid->setHorizontalHeaderLabels(head);
    int failed = 0;
    for (int i = 0; i < Grid->rowCount(); ++i) {
        const study::RunResult& run = r.runs[std::size_t(i)];
        failed += run.failed;
        QTableWidgetItem* number = cell(QString::number(run.run), run.run);
        number->setData(kIndexRole, i);
        Grid->setItem(i, 0, number);
        for (int k = 0; k < vars; ++k) {
            const long double v = r.inputs[std::size_t(i)][std::size_t(k)];
            const bool defined = std::fabs(v) < table::kDefinedLimit;
            Grid->setItem(i, 1 + k, cell(defined ? toQ(study::inputText(v)) : QString(), defined ? std::optional<double>(double(v)) : std::nullopt));
        }
        for (int k = 0; k < mets; ++k) {
            const std::optional<double> v = run.failed ? std::nullopt : run.values[std::size_t(k)];
            // Ten significant digits on screen (the plot data's own precision);
            // copies and exports hold every digit.
            QTableWidgetItem* item = cell(v ? QString::number(*v, 'g', 10) : run.failed ? QStringLiteral("failed") : QStringLiteral("-"), v);
            if (!v) item->setForeground(run.failed ? QColor(Qt::red) : QColor(Qt::gray));
            Grid->setItem(i, 1 + vars + k, item);
        }
        QTableWidgetItem* status = cell(toQ(run.status), std::nullopt);
        if (run.failed) status->setForeground(QColor(Qt::red));
        Grid->setItem(i, 1 + vars + mets, status);
    }
    Grid->setSortingEnabled(true);
    Grid->resizeColumnsToContents();
    Note->setText(failed ? QStringLiteral("%1 of %2 runs failed: their metrics are left out.").arg(failed).arg(r.runs.size())
                         : QString());
    const QString chosen = PlotMetric->currentText();
    PlotMetric->clear();
    for (const study::Metric& m : r.metrics) PlotMetric->addItem(toQ(m.text()));
    if (const int at = PlotMetric->findText(chosen); at >= 0) PlotMetric->setCurrentIndex(at);
}

std::vector<std::size_t> TStudyResultsForm::shownOrder() const {
    std::vector<std::size_t> order;
    for (int i = 0; i < Grid->rowCount(); ++i)
        if (const QTableWidgetItem* item = Grid->item(i, 0)) order.push_back(item->data(kIndexRole).toULongLong());
    return order;
}

void TStudyResultsForm::AddBtnClick() {
    if (ColumnChoice->currentText().isEmpty()) return;
    const auto kind = static_cast<study::MetricKind>(MetricChoice->currentData().toInt());
    QString word;
    for (const study::MetricWord& w : study::metricWords())
        if (w.kind == kind) word = QLatin1String(w.word);
    if (kind == study::MetricKind::ValueAt) word = QStringLiteral("at=") + AtEdit->text().trimmed();
    QString text = MetricsEdit->text().trimmed();
    if (!text.isEmpty()) text += QStringLiteral(", ");
    MetricsEdit->setText(text + ColumnChoice->currentText() + QLatin1Char(':') + word);
}

void TStudyResultsForm::CollectBtnClick() { collect(MetricsEdit->text()); }

void TStudyResultsForm::copy() {
    QApplication::clipboard()->setText(toQ(study::resultsTabText(results_, shownOrder())));
}

bool TStudyResultsForm::exportCsv(const QString& path) {
    return reportFailure([&] { pal::replaceFile(toBytes(path), study::resultsCsv(results_, shownOrder())); });
}

void TStudyResultsForm::ExportBtnClick() {
    FileDialogRequest r;
    r.title = QStringLiteral("Export results");
    r.filters = {QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};
    r.defaultSuffix = QStringLiteral("csv");
    const QString base = QFileInfo(tablePath_).completeBaseName();
    r.fileName = (base.isEmpty() ? QStringLiteral("results") : base) + QStringLiteral(".csv");
    r.save = true;
    r.overwritePrompt = true;
    if (const auto chosen = seams().dialogs->getFile(r)) exportCsv(chosen->path);
}

void TStudyResultsForm::PlotBtnClick() {
    if (PlotMetric->currentIndex() < 0 || PlotX->currentIndex() < 0) {
        ShowAlert(QStringLiteral("Collect a metric first."), AlertKind::Information, false);
        return;
    }
    std::optional<std::size_t> by;
    if (PlotBy->currentIndex() > 0 && PlotBy->currentIndex() - 1 != PlotX->currentIndex())
        by = std::size_t(PlotBy->currentIndex() - 1);
    try {
        const QString caption = QStringLiteral("%1 against %2").arg(PlotMetric->currentText(), PlotX->currentText());
        emit plotRequested(study::sensitivityPlot(results_, std::size_t(PlotMetric->currentIndex()),
                                                  std::size_t(PlotX->currentIndex()), by, toBytes(caption)));
    } catch (const std::invalid_argument& e) {
        ShowAlert(toQ(e.what()), AlertKind::Information, false);
    }
}
