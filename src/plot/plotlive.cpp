// The plot window while the engine writes its plot data: the curves drawn from
// that file take the new rows as they come, and the axes widen with them.
#include <QLabel>
#include <QTimer>
#include <cmath>

#include "common/numtext.h"
#include "plot/axes.h"
#include "plot/curvebuilder.h"
#include "plot/plotf.h"
#include "plot/plotfollow.h"
#include "plot/plottext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {

// A curve drawn from the followed file up to its last row.
bool followsTable(const plot::CurveRecord& c, const plot::PlotDataTable& t) {
    const int n = t.columnCount();
    return c.xColumn >= 0 && c.xColumn < n && c.yColumn >= 0 && c.yColumn < n && t.names[c.xColumn] == c.xName &&
           t.names[c.yColumn] == c.yName && c.lastRow == c.fileRows;
}

}  // namespace

void TPlotForm::follow(std::shared_ptr<plot::PlotFollower> follower) {
    follower_ = std::move(follower);
    followEnded_ = false;
    widened_ = false;
    if (!followTimer_) {
        followTimer_ = new QTimer(this);
        followTimer_->setInterval(kFollowMs);
        connect(followTimer_, &QTimer::timeout, this, &TPlotForm::followLook);
    }
    followTimer_->start();
    // The refresh of the result windows after the run keeps a window that follows.
    setProperty("following", true);
    followLook();
}

bool TPlotForm::following() const { return follower_ && !followEnded_; }

QString TPlotForm::followedFile() const { return follower_ ? toQ(follower_->path()) : QString(); }

void TPlotForm::endFollowing() {
    if (!following()) return;
    followEnded_ = true;
    followTimer_->stop();
    followLook();
    setProperty("following", false);
}

void TPlotForm::followLook() {
    if (!follower_ || follower_->finished()) return;
    const plot::PlotFollower::Look look = follower_->poll(followEnded_);
    if (!look.problem.empty())
        setFollowNote(toQ(look.problem));
    else if (look.newRows > 0 || look.restarted)
        setFollowNote(QString());
    if (look.newRows == 0 && !look.restarted && !followEnded_) return;
    updateFollowedCurves();
    // At the end the axes are those a fresh plot of the whole file proposes,
    // when following had widened them.
    widenAxes(followEnded_ && widened_);
    if (followSpan_) showFollowSpan();
    replot();
}

void TPlotForm::updateFollowedCurves() {
    const plot::PlotDataTable& t = follower_->table();
    const int rows = t.rowCount;
    for (plot::CurveRecord& c : doc_.record.curves) {
        if (!followsTable(c, t) || c.firstRow < 1 || c.firstRow > rows) continue;
        c.fileRows = c.lastRow = rows;
        c.pointCount = rows - c.firstRow + 1;
        const std::size_t first = static_cast<std::size_t>(c.firstRow - 1), count = static_cast<std::size_t>(c.pointCount);
        // The rows are shared with the follower's columns: no copy.
        c.x = t.values[static_cast<std::size_t>(c.xColumn)].slice(first, count);
        c.y = t.values[static_cast<std::size_t>(c.yColumn)].slice(first, count);
        c.x.resize(count, 0.0);
        c.y.resize(count, 0.0);
    }
}

void TPlotForm::widenAxes(bool fresh) {
    if (view_.zoom) return;  // the view stays where the user put it
    const plot::PlotDataTable& t = follower_->table();
    std::vector<plot::ColumnRange> xs, ys;
    for (const plot::CurveRecord& c : doc_.record.curves) {
        if (!followsTable(c, t) || t.rowCount == 0) continue;
        xs.push_back({t.minimum[static_cast<std::size_t>(c.xColumn)], t.maximum[static_cast<std::size_t>(c.xColumn)]});
        ys.push_back({t.minimum[static_cast<std::size_t>(c.yColumn)], t.maximum[static_cast<std::size_t>(c.yColumn)]});
    }
    const auto widen = [&](plot::AxisSettings& a, const std::vector<plot::ColumnRange>& ranges) {
        if (ranges.empty() || a.logarithmic) return;
        long double lo = ranges.front().minimum, hi = ranges.front().maximum;
        for (const auto& r : ranges) {
            lo = std::min(lo, r.minimum);
            hi = std::max(hi, r.maximum);
        }
        if (!fresh && lo >= a.minimum && hi <= a.maximum) return;
        // As Plot Setup proposes the axis for these columns.
        const plot::ScaleProposal p = plot::ScaleMinMax(ranges);
        if (!p.ticks) return;  // a constant column: nothing to widen to
        a.minimum = p.low;
        a.maximum = p.high;
        a.ticks = *p.ticks;
        if (p.digits) a.digits = static_cast<std::int16_t>(std::clamp(*p.digits, 0, 9));
        widened_ = true;
    };
    widen(doc_.record.x, xs);
    widen(doc_.record.y, ys);
}

void TPlotForm::setFollowSpan(std::optional<long double> span) {
    followSpan_ = span && *span > 0 ? span : std::nullopt;
    if (followSpan_) {
        showFollowSpan();
        replot();
    }
}

void TPlotForm::showFollowSpan() {
    if (!follower_) return;
    const plot::PlotDataTable& t = follower_->table();
    for (const plot::CurveRecord& c : doc_.record.curves) {
        if (!followsTable(c, t) || t.rowCount == 0) continue;
        const long double last = t.maximum[static_cast<std::size_t>(c.xColumn)];
        const plot::AxisRange x{last - *followSpan_, last};
        if (!view_.zoom && history_.empty())
            zoomBase_ = plot::PlotView::Zoom{plot::storedRange(doc_.record.x), plot::storedRange(doc_.record.y)};
        view_.zoom = plot::PlotView::Zoom{x, visibleY()};
        return;
    }
}

void TPlotForm::FollowClick() {
    if (followSpan_) {
        setFollowSpan(std::nullopt);
        return;
    }
    const plot::AxisRange x = visibleX();
    const auto text = seams().dialogs->inputBox(
        QStringLiteral("Follow"), QStringLiteral("Units of X to keep in view as the run goes on:"),
        toQ(pal::FormatValue(pal::LabelFormat{0, 4}, x.high - x.low)).trimmed(), 40);
    if (!text) return;
    const auto span = plot::parseReal(toBytes(*text));
    if (!span || !(*span > 0)) {
        ShowAlert(QStringLiteral("'%1' is not a span of X: give a number above 0.").arg(*text), AlertKind::Error, true);
        return;
    }
    setFollowSpan(*span);
}

QString TPlotForm::followNote() const { return followNote_ && !followNote_->isHidden() ? followNote_->text() : QString(); }

void TPlotForm::setFollowNote(const QString& text) {
    if (text.isEmpty()) {
        if (followNote_) followNote_->hide();
        return;
    }
    if (!followNote_) {
        followNote_ = new QLabel(this);
        followNote_->setObjectName(QStringLiteral("FollowNote"));
        followNote_->setAutoFillBackground(true);
        followNote_->setStyleSheet(QStringLiteral("QLabel { background: #fff6d5; color: #5a3d00; padding: 2px; }"));
    }
    followNote_->setText(text);
    followNote_->setToolTip(text);
    followNote_->setGeometry(0, height() - followNote_->sizeHint().height(), width(), followNote_->sizeHint().height());
    followNote_->show();
    followNote_->raise();
}
