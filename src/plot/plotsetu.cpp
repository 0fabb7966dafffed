#include "plot/plotsetu.h"

#include <QFileInfo>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalBlocker>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "plot/axes.h"
#include "plot/axisbox.h"
#include "plot/curvebuilder.h"
#include "plot/dialogparts.h"
#include "plot/fieldcheck.h"
#include "plot/plotf.h"
#include "plot/plotfollow.h"
#include "plot/plottext.h"
#include "plot/stylepicker.h"
#include "common/numtext.h"
#include "shell/progress.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {
QString formatted(pal::LabelFormat f, long double v) { return toQ(pal::FormatValue(f, v)); }
}  // namespace

TPlotSetup::TPlotSetup(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPlotSetup"));
    setWindowTitle(QStringLiteral("Plot Setup"));
    setProperty("helpContext", 70);
    auto* top = new QHBoxLayout(this);

    auto* x = new QVBoxLayout;
    x->addWidget(new QLabel(QStringLiteral("X-Axis"), this));
    XList = new QListWidget(this);
    XList->setObjectName(QStringLiteral("XList"));
    XList->setSelectionMode(QAbstractItemView::SingleSelection);
    x->addWidget(XList);
    XAxis = new TAxisBox(QString(), QStringLiteral("X"), false, this);
    x->addWidget(XAxis);
    top->addLayout(x);

    auto* y = new QVBoxLayout;
    y->addWidget(new QLabel(QStringLiteral("Y-Axis"), this));
    YList = new QListWidget(this);
    YList->setObjectName(QStringLiteral("YList"));
    YList->setSelectionMode(QAbstractItemView::MultiSelection);
    y->addWidget(YList);
    YAxis = new TAxisBox(QString(), QStringLiteral("Y"), false, this);
    y->addWidget(YAxis);
    top->addLayout(y);

    auto* right = new QGridLayout;
    FromRow = new QLineEdit(QStringLiteral("1"), this);
    FromRow->setObjectName(QStringLiteral("FromRow"));
    ToRow = new QLineEdit(QStringLiteral("20"), this);
    ToRow->setObjectName(QStringLiteral("ToRow"));
    const plot::CurveLookControls look = plot::makeCurveLookControls(this);
    Line = look.line;
    Symbol = look.symbol;
    Color = look.color;
    Smoothing = look.smoothing;
    LegendBox = new QCheckBox(QStringLiteral("LegendBox"), this);
    LegendBox->setObjectName(QStringLiteral("LegendBox"));
    int r = 0;
    right->addWidget(new QLabel(QStringLiteral("From Row"), this), r, 0);
    right->addWidget(FromRow, r++, 1);
    right->addWidget(new QLabel(QStringLiteral("To Row"), this), r, 0);
    right->addWidget(ToRow, r++, 1);
    right->addWidget(new QLabel(QStringLiteral("Line"), this), r, 0);
    right->addWidget(Line, r++, 1);
    right->addWidget(new QLabel(QStringLiteral("Symbol"), this), r, 0);
    right->addWidget(Symbol, r++, 1);
    right->addWidget(new QLabel(QStringLiteral("Color"), this), r, 0);
    right->addWidget(Color, r++, 1);
    right->addWidget(Smoothing, r++, 1);
    right->addWidget(LegendBox, r++, 1);
    const plot::OkCancelButtons buttons = plot::addOkCancelButtons(right, r, this);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    top->addLayout(right);

    connect(OKBtn, &QPushButton::clicked, this, &TPlotSetup::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TPlotSetup::CancelBtnClick);
    // The keyboard (arrows, Space) chooses like the mouse: both change the selection.
    connect(XList, &QListWidget::itemSelectionChanged, this, &TPlotSetup::XListClick);
    connect(YList, &QListWidget::itemSelectionChanged, this, &TPlotSetup::YListClick);
    connect(this, &QDialog::rejected, this, [this] {
        table_.reset();
        follower_.reset();
    });
}

void TPlotSetup::setTarget(const QString& plotDataFile, TPlotForm* overlay, bool running) {
    fileName_ = plotDataFile;
    running_ = running;
    overlay_ = overlay;
    overlayMode_ = overlay != nullptr;
}

bool TPlotSetup::FormActivate() {
    setResult(0);
    result_ = nullptr;
    table_.reset();
    follower_.reset();
    if (running_) {
        // The rows written so far; the window made goes on from there.
        follower_ = std::make_shared<plot::PlotFollower>(toBytes(fileName_));
        const plot::PlotFollower::Look look = follower_->poll();
        if (!follower_->headerRead()) {
            ShowAlert(look.problem.empty() ? QStringLiteral("The plot data file ") + fileName_ + QStringLiteral(" has no header lines yet.")
                                           : toQ(look.problem),
                      AlertKind::Error, false);
            follower_.reset();
            return false;
        }
        table_ = follower_->table();  // the columns' storage is shared, not copied
    } else {
        try {
            // A year of minute data takes a moment; Cancel stops the reading.
            WorkProgress progress(QStringLiteral("Plot data"), QStringLiteral("Reading ") + QFileInfo(fileName_).fileName() + QStringLiteral("..."),
                                  parentWidget());
            table_ = plot::ReadPlt(toBytes(fileName_), progress.callback());
        } catch (const pal::IoError& e) {
            ShowIoError(e);
            return false;
        }
        if (!table_) return false;
        // Header lines alone read as one row of zeros: no curve is offered from it.
        if (table_->rowsRead < 1) {
            ShowAlert(QStringLiteral("The plot data file ") + fileName_ +
                          QStringLiteral(" holds no rows of values: there is nothing to plot."),
                      AlertKind::Error, false);
            table_.reset();
            return false;
        }
    }
    const plot::PlotDataTable& t = *table_;
    // The lists are filled here without their choice handlers.
    const QSignalBlocker blockX(XList), blockY(YList);
    // SetXList, SetYList, SetRows.
    XList->clear();
    YList->clear();
    for (const std::string& n : t.names) {
        XList->addItem(plot::plotString(n));
        YList->addItem(plot::plotString(n));
    }
    FromRow->setText(QStringLiteral("1"));
    ToRow->setText(QString::number(t.rowCount));

    if (!overlayMode_) {
        XAxis->setAxisControlsEnabled(true);
        YAxis->setAxisControlsEnabled(true);
        Line->setCode(1);
        Symbol->setCode(1);
        Color->setCode(0);
        Smoothing->setChecked(false);
        XAxis->ticks->setText(QStringLiteral("5"));
        YAxis->ticks->setText(QStringLiteral("5"));
        if (XList->count() > 0) XList->setCurrentRow(0);
        YList->clearSelection();
        MinMax(1);
        MinMax(2);
        for (TAxisBox* a : {XAxis, YAxis}) {
            a->linear->setChecked(true);
            a->setStyleCode(1);
        }
        updateLogPermission(XAxis);
        updateLogPermission(YAxis);
    } else if (overlay_) {
        const plot::PlotRecord& rec = overlay_->document().record;
        const int xCol = rec.curves.empty() ? 0 : rec.curves.back().xColumn;
        if (xCol >= 0 && xCol < XList->count()) XList->setCurrentRow(xCol);
        YList->clearSelection();
        XAxis->log->setChecked(rec.x.logarithmic);
        XAxis->linear->setChecked(!rec.x.logarithmic);
        YAxis->log->setChecked(rec.y.logarithmic);
        YAxis->linear->setChecked(!rec.y.logarithmic);
        XAxis->setStyleCode(rec.x.style);
        XAxis->setDigitCount(rec.x.digits);
        YAxis->setStyleCode(rec.y.style);
        YAxis->setDigitCount(rec.y.digits);
        MinMax(1);
        MinMax(2);
        XAxis->setAxisControlsEnabled(false);
        YAxis->setAxisControlsEnabled(false);
    }
    OKBtn->setEnabled(false);
    return true;
}

std::vector<int> TPlotSetup::selectedY() const {
    std::vector<int> out;
    for (int i = 0; i < YList->count(); ++i)
        if (YList->item(i)->isSelected()) out.push_back(i);
    return out;
}

void TPlotSetup::XListClick() { MinMax(1); }

void TPlotSetup::YListClick() {
    const bool any = !selectedY().empty();
    OKBtn->setEnabled(any);
    if (any) MinMax(2);
}

void TPlotSetup::MinMax(int axis) {
    TAxisBox* box = axis == 1 ? XAxis : YAxis;
    if (overlayMode_) {
        if (!overlay_) return;
        const plot::AxisSettings& a = axis == 1 ? overlay_->document().record.x : overlay_->document().record.y;
        const pal::LabelFormat f{a.style, a.digits};
        box->minimum->setText(formatted(f, a.minimum));
        box->maximum->setText(formatted(f, a.maximum));
        return;
    }
    if (!table_) return;
    std::vector<plot::ColumnRange> ranges;
    if (axis == 1) {
        const int c = XList->currentRow();
        if (c >= 0 && c < table_->columnCount()) ranges.push_back({table_->minimum[c], table_->maximum[c]});
    } else {
        for (int c : selectedY()) ranges.push_back({table_->minimum[c], table_->maximum[c]});
    }
    if (ranges.empty()) {
        // Nothing chosen yet: nothing to propose.
        box->minimum->clear();
        box->maximum->clear();
        updateLogPermission(box);
        return;
    }
    const plot::ScaleProposal p = plot::ScaleMinMax(ranges);
    if (p.digits) box->setDigitCount(*p.digits);
    const int digits = box->digitCount();
    box->minimum->setText(formatted(pal::ChooseFormat(digits + 1, p.low), p.low));
    box->maximum->setText(formatted(pal::ChooseFormat(digits + 1, p.high), p.high));
    if (p.ticks) box->ticks->setText(QString::number(*p.ticks));
    updateLogPermission(box);
}

void TPlotSetup::updateLogPermission(TAxisBox* box) {
    // Log is offered where the proposed minimum is above zero.
    const auto lo = plot::parseReal(toBytes(box->minimum->text()));
    const bool allowed = lo && *lo > 0;
    box->log->setEnabled(allowed);
    if (!allowed) box->linear->setChecked(true);
}

void TPlotSetup::CancelBtnClick() {
    table_.reset();
    reject();
}

void TPlotSetup::OKBtnClick() {
    if (!table_) return;
    const std::vector<int> ys = selectedY();
    if (ys.empty()) return;
    const int xCol = XList->currentRow();
    if (xCol < 0) return;
    if (overlayMode_ && !overlay_) {
        // The plot window went away while the dialog was open.
        reject();
        return;
    }

    plot::PlotRecord rec;
    if (!overlayMode_) {
        const auto readAxis = [](TAxisBox* box, plot::AxisSettings& a) {
            const bool log = box->log->isChecked();
            const auto lo = plot::ReadFloatField(box->minimum, log ? 1 : 0, 0);
            if (!lo) return false;
            auto hi = plot::ReadFloatField(box->maximum, 1, *lo);
            if (!hi) return false;
            a.minimum = *lo;
            a.maximum = *hi;
            a.logarithmic = log;
            return true;
        };
        if (!readAxis(XAxis, rec.x) || !readAxis(YAxis, rec.y)) return;
        for (auto [box, a] : {std::pair{XAxis, &rec.x}, std::pair{YAxis, &rec.y}}) {
            const auto n = plot::parseInteger(toBytes(box->ticks->text()));
            if (!n) {
                ShowAlert(QStringLiteral("'%1' is not a valid integer value").arg(box->ticks->text()), AlertKind::Error, false);
                table_.reset();
                reject();
                return;
            }
            if (*n <= 0 || *n > 1000) {
                plot::refuseField(box->ticks);
                return;
            }
            a->ticks = static_cast<std::int32_t>(*n);
            a->style = box->styleCode();
            a->digits = static_cast<std::int16_t>(box->digitCount());
            a->grid = false;
            a->minorTicks = 1;
        }
    } else {
        rec = overlay_->document().record;
    }

    plot::RowRange rows;
    switch (plot::resolveRows(toBytes(FromRow->text()), toBytes(ToRow->text()), table_->rowCount, rows)) {
    case plot::RowRangeError::ToRowNotInteger:
        plot::refuseField(ToRow);
        return;
    case plot::RowRangeError::FromRowBeyondData:
        ShowAlert(QStringLiteral("From Row is beyond the last row (%1) of the plot data.").arg(table_->rowCount), AlertKind::Error, true);
        FromRow->setFocus();
        FromRow->selectAll();
        return;
    case plot::RowRangeError::None:
        break;
    }
    const int total = rec.curveCount() + static_cast<int>(ys.size());
    if (total > plot::kMaxCurves) {
        ShowAlert(QStringLiteral("A plot holds at most %1 curves; this one has %2, so at most %3 more can be added.")
                      .arg(plot::kMaxCurves)
                      .arg(rec.curveCount())
                      .arg(plot::kMaxCurves - rec.curveCount()),
                  AlertKind::Error, true);
        return;
    }

    plot::addCurves(rec, *table_, xCol, ys, rows, plot::CurveStyle{Line->code(), Symbol->code(), Color->code(), Smoothing->isChecked()});
    rec.legend = LegendBox->isChecked();

    TPlotForm* w = overlay_;
    if (!overlayMode_) {
        w = new TPlotForm;
        plot::PlotDocument doc;
        // The file name as the file system holds it.
        doc.caption = pal::cut("Plot from " + toBytes(fileName_), 255);
        doc.record = std::move(rec);
        w->setDocument(std::move(doc));
        if (follower_) w->follow(follower_);
        emit plotCreated(w);
        if (!w->parentWidget()) {  // nobody took it in: a window of its own
            w->setAttribute(Qt::WA_DeleteOnClose);
            w->show();
        }
    } else {
        w->document().record = std::move(rec);
        w->plotChanged();
    }
    result_ = w;
    table_.reset();
    follower_.reset();
    accept();
}
