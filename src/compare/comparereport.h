// The report folder of a comparison: index.html with a table of every file and
// variable compared and a plot of each differing variable (PNG, drawn by the
// caller's image writer, which is the plot export service), and summary.csv.
#pragma once
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "compare/filecompare.h"
#include "plot/pmxfile.h"

namespace cmp {

class ReportWriter {
public:
    // Writes a plot as a PNG file at path; throws pal::IoError.
    using ImageWriter = std::function<void(const plot::PlotDocument&, const std::string& path)>;

    // Makes the folder when it is missing. Throws pal::IoError.
    ReportWriter(std::string dir, ImageWriter images, const CompareOptions& options, std::string reference,
                 std::string candidate);
    // Writes the plots of the result's differing variables and keeps its rows
    // (its data may be let go afterwards).
    void add(const FileResult& result);
    // Writes index.html and summary.csv, each through a temporary file.
    void finish(int exitCode);

    // The image files written so far (names within the folder).
    const std::vector<std::string>& images() const { return images_; }

private:
    struct Row {
        std::string file, variable, status, largestAbs, atX, largestRel, firstOutside, pointsOutside, image, note;
        bool bad = false;
    };
    std::string imageName(const std::string& file, const std::string& variable);

    std::string dir_;
    ImageWriter write_;
    CompareOptions options_;
    std::string reference_, candidate_;
    std::vector<Row> rows_;
    std::vector<std::string> images_;
    std::set<std::string> taken_;
    int files_ = 0, differing_ = 0;
};

}  // namespace cmp
