#include "plot/plotfollow.h"

#include "common/ioerror.h"

namespace plot {

PlotFollower::PlotFollower(std::string path)
    : file_(path), current_(std::make_unique<PlotDataReader>(std::move(path), PlotDataReader::Rows::Lines)) {}

const PlotDataTable& PlotFollower::table() const { return final_ ? *final_ : current_->table(); }

PlotFollower::Look PlotFollower::poll(bool final) {
    Look look;
    if (final_) return look;  // the engine has ended: the table is complete
    const int before = current_->rows();
    const pal::FollowedFile::Change change = file_.poll(
        [&](std::string_view lines) { (candidate_ ? *candidate_ : *current_).feed(lines); }, final,
        [&] { candidate_ = std::make_unique<PlotDataReader>(file_.path(), PlotDataReader::Rows::Lines); });
    if (change == pal::FollowedFile::Change::Missing) {
        look.problem = file_.path() + ": " + file_.error() + "; the last drawing stays.";
        return look;
    }
    if (candidate_) {
        // Read again from the start: taken once it has the same columns (a new
        // run of the same deck), or at once when there was nothing to keep.
        const PlotDataTable& now = candidate_->table();
        const bool sameColumns = candidate_->headerRead() && now.names == current_->table().names;
        if (sameColumns || !current_->headerRead()) {
            current_ = std::move(candidate_);
            toldRefusals_ = 0;
            look.restarted = true;
            look.newRows = current_->rows();
        } else {
            look.problem = file_.path() + (candidate_->headerRead() ? " now holds other columns" : " has lost its header lines") +
                           "; the last drawing stays.";
            return look;
        }
    } else {
        look.newRows = current_->rows() - before;
    }
    if (current_->refusedLines() > toldRefusals_) {
        const auto& named = current_->refusals();
        look.problem = toldRefusals_ < named.size() ? named[toldRefusals_] : named.back();
        const std::size_t more = current_->refusedLines() - toldRefusals_ - 1;
        if (more > 0) look.problem += " (and " + std::to_string(more) + (more == 1 ? " more line)" : " more lines)");
        toldRefusals_ = current_->refusedLines();
    }
    if (final) {
        // What a fresh read of the finished file gives: the same rows, with the
        // end rules of a whole read; after refused lines, a whole read itself.
        const int rows = current_->rows();
        try {
            if (current_->refusedLines() > 0) {
                final_ = ReadPlt(file_.path());
            } else {
                current_->finish();
                final_ = current_->take();
            }
            look.newRows += final_->rowCount - rows;
        } catch (const pal::IoError& e) {
            look.problem = e.userText();
        }
    }
    return look;
}

}  // namespace plot
