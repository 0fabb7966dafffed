// RunWatch: while the engine runs a deck, its result files are watched. The
// progress window tells the simulated time reached and the time left, New Plot
// is offered once the plot data has its header lines, the Listing and Output
// entries name the new files as they begin, and viewers of those files follow
// them as they grow.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <map>
#include <optional>

#include "common/followfile.h"
#include "run/runprogress.h"

class QTimer;
class TCompiling;
class Workbench;

namespace run {

class RunWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kLookMs = 250;
    // deck: the deck as the engine gets it; progress may be null.
    RunWatch(Workbench& bench, const QString& deck, TCompiling* progress);
    ~RunWatch() override;

    // One look at the files (the timer's work).
    void look();
    // The engine has ended and the result entries are refreshed: the windows
    // that followed its files take their last look.
    void finish();

    const QString& listingPath() const { return listing_; }
    const QString& plotDataPath() const { return plotData_; }

private:
    bool isOutput(const QString& path) const;
    bool ours(const QString& path) const;

    Workbench& bench_;
    QString deck_;
    QString base_;  // the results are named from it: base.LST, base.O*, base.PLT
    QString listing_, plotData_;
    pal::FileStamp listingBefore_, plotBefore_;
    std::map<std::string, pal::FileStamp> outputsBefore_;
    TCompiling* progress_;
    std::optional<SimulationSpan> span_;
    QElapsedTimer clock_;
    QTimer* timer_{nullptr};
    bool listingShown_ = false, outputShown_ = false, plotOffered_ = false;
    bool finished_ = false;
};

}  // namespace run
