// Following the plot data of a running engine: each look reads the rows added
// since the last one (whole lines only) into the table; a file that was replaced
// or shortened is read again, and one that lost its header leaves the last good
// table standing until a header comes back.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "common/followfile.h"
#include "plot/plotdata.h"

namespace plot {

class PlotFollower {
public:
    explicit PlotFollower(std::string path);

    struct Look {
        int newRows = 0;         // rows added to the table by this look
        bool restarted = false;  // the table was read again from the start
        // Why the table does not follow the file (one line naming the file), or
        // the rows this look refused; empty when all is well.
        std::string problem;
    };
    // Looks at the file now. final: the engine has ended; the table then holds
    // exactly what a fresh read of the file gives, or problem says why not.
    Look poll(bool final = false);

    const std::string& path() const { return file_.path(); }
    // The rows read so far (complete lines only); a header before any row.
    const PlotDataTable& table() const;
    bool headerRead() const { return final_ || current_->headerRead(); }
    bool finished() const { return final_.has_value(); }

private:
    pal::FollowedFile file_;
    std::unique_ptr<PlotDataReader> current_;
    // A restarted file is read here until it has the header the table has.
    std::unique_ptr<PlotDataReader> candidate_;
    std::size_t toldRefusals_ = 0;
    // The table of the finished file (after a final look).
    std::optional<PlotDataTable> final_;
};

}  // namespace plot
