#include "run/runwatch.h"

#include <QFileInfo>
#include <QTimer>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "shell/docwindow.h"
#include "shell/qtbytes.h"
#include "shell/compilin.h"
#include "shell/workbench.h"

namespace run {

namespace {

// The same file under two spellings of its path.
bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() ? fa.canonicalFilePath() == fb.canonicalFilePath()
                                      : fa.absoluteFilePath() == fb.absoluteFilePath();
}

// A file the engine has begun since the watch started: another one (or one
// of another size) than was there before.
bool begun(const pal::FileStamp& before, const std::string& path) {
    const pal::FileStamp now = pal::stampOf(path);
    return now.exists && (!before.exists || now.dev != before.dev || now.ino != before.ino || now.size != before.size);
}

// The plot data has its header lines (or a first row of numbers): its columns
// are known.
bool columnsKnown(const std::string& path) {
    try {
        const std::string start = pal::readFileBytes(path).substr(0, 4096);
        const std::size_t first = start.find('\n');
        if (first == std::string::npos) return false;
        const char c = first > 0 ? start[0] : ' ';
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || start.find('\n', first + 1) != std::string::npos;
    } catch (const pal::IoError&) {
        return false;
    }
}

std::map<std::string, pal::FileStamp> outputStamps(const std::string& stem) {
    std::map<std::string, pal::FileStamp> out;
    const std::string dir = pal::directoryPart(stem);
    for (const std::string& n : pal::matchFiles(dir.empty() ? "." : dir, pal::fileNamePart(stem) + ".O*")) {
        const std::string path = dir.empty() ? n : pal::joinPath(dir, n);
        out[path] = pal::stampOf(path);
    }
    return out;
}

}  // namespace

RunWatch::RunWatch(Workbench& bench, const QString& deck, TCompiling* progress)
    : bench_(bench), deck_(deck), progress_(progress) {
    const std::string base = pal::baseName(toBytes(deck));
    base_ = toQ(base);
    listing_ = toQ(pal::findFile(base + ".LST").value_or(base + ".LST"));
    plotData_ = toQ(pal::findFile(base + ".PLT").value_or(base + ".PLT"));
    listingBefore_ = pal::stampOf(toBytes(listing_));
    plotBefore_ = pal::stampOf(toBytes(plotData_));
    outputsBefore_ = outputStamps(base);
    try {
        span_ = simulationSpan(pal::readFileBytes(toBytes(deck)));
    } catch (const pal::IoError&) {
    }
    clock_.start();
    timer_ = new QTimer(this);
    timer_->setInterval(kLookMs);
    connect(timer_, &QTimer::timeout, this, &RunWatch::look);
    timer_->start();
}

RunWatch::~RunWatch() { bench_.setPlotDataRunning({}, false); }

bool RunWatch::isOutput(const QString& path) const {
    if (path.isEmpty()) return false;
    const QFileInfo f(path), b(base_);
    return f.absolutePath() == b.absolutePath() && f.fileName().startsWith(b.fileName() + QStringLiteral(".O"), Qt::CaseInsensitive);
}

bool RunWatch::ours(const QString& path) const {
    return sameFile(path, listing_) || sameFile(path, plotData_) || isOutput(path);
}

void RunWatch::look() {
    if (finished_) return;
    if (progress_ && progress_->running()) {
        const RunProgress p =
            runProgress(lastRowTime(toBytes(plotData_)), span_, static_cast<double>(clock_.elapsed()) / 1000.0);
        if (!p.text.empty()) progress_->showRunProgress(toQ(p.text), p.permille);
    }
    // Viewers of this run's files follow them (before the entries are
    // refreshed, which keeps the windows that follow).
    const auto followViewers = [this] {
        for (TDocWindow* w : bench_.documents())
            if (w->canFollowRun() && !w->followsRun() && ours(w->runFile())) w->followRun();
    };
    followViewers();
    bool changed = false;
    if (!listingShown_ && begun(listingBefore_, toBytes(listing_))) {
        bench_.takeRunResults(deck_, Workbench::Listing);
        listingShown_ = changed = true;
    }
    if (!outputShown_) {
        for (const auto& [path, stamp] : outputStamps(toBytes(base_))) {
            const auto before = outputsBefore_.find(path);
            if (before == outputsBefore_.end() || begun(before->second, path)) {
                bench_.takeRunResults(deck_, Workbench::Output);
                outputShown_ = changed = true;
                break;
            }
        }
    }
    if (!plotOffered_ && begun(plotBefore_, toBytes(plotData_)) && columnsKnown(toBytes(plotData_))) {
        // New Plot is offered on the rows written so far; its window follows them.
        bench_.setPlotDataRunning(plotData_, true);
        plotOffered_ = changed = true;
    }
    if (changed) {
        followViewers();
        bench_.menusChanged();
    }
}

void RunWatch::finish() {
    if (finished_) return;
    finished_ = true;
    timer_->stop();
    bench_.setPlotDataRunning({}, false);
    for (TDocWindow* w : bench_.documents())
        if (w->followsRun() && ours(w->runFile())) w->endRun();
    bench_.menusChanged();
}

}  // namespace run
