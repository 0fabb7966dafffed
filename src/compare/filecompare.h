// Comparing result files and folders of them: each pair by its content (plot
// data variable by variable, any other file as text), the lines a terminal
// shows for what differs, and the exit code of a regression check.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compare/plotcompare.h"
#include "compare/textcompare.h"

namespace cmp {

enum class FileKind { PlotData, Text };
// Plot data when the plot data reader takes the file's first lines and a row
// of numbers follows its header; any other file is text. Throws pal::IoError.
FileKind fileKindOf(const std::string& path);

// One difference of a text comparison as a terminal or a report lists it.
struct TextDifference {
    std::size_t left = 0, leftCount = 0, right = 0, rightCount = 0;  // 0-based lines
    std::string leftText, rightText;  // the first line of each side
    double largestAbs = 0, largestRel = 0;
};
struct TextSummary {
    std::size_t differences = 0;
    std::size_t closeLines = 0;       // lines equal within the tolerance
    std::size_t leftLines = 0, rightLines = 0;
    std::vector<TextDifference> first;  // the first ones, at most `most`
};
// Compares to the end and sums up.
TextSummary summarizeText(TextComparison& comparison, std::size_t most = 50);

struct CompareOptions {
    Tolerance tolerance;
    bool exactText = false;
};

struct FileResult {
    enum class Outcome { Compared, OnlyReference, OnlyCandidate, Failed };
    std::string name;                           // the file name listed
    std::string referencePath, candidatePath;   // empty where the file is missing
    Outcome outcome = Outcome::Compared;
    FileKind kind = FileKind::Text;
    std::string error;                          // why it failed
    std::shared_ptr<PlotComparison> plot;       // plot data
    std::optional<TextSummary> text;            // text

    Status status() const;
    // Something differs or is missing (a file only in the new folder is not).
    bool differs() const {
        return severity(status()) >= severity(Status::Missing) && outcome != Outcome::Failed &&
               outcome != Outcome::OnlyCandidate;
    }
};

// Compares one pair. A failure (unreadable, empty, not comparable) is kept in
// the result, never thrown.
FileResult compareFiles(const std::string& referencePath, const std::string& candidatePath, const CompareOptions& options);

// The regular files of both folders paired by name (exactly, else ignoring
// case), in name order; a file on one side only has an empty partner.
std::vector<std::pair<std::string, std::string>> pairFolders(const std::string& referenceDir,
                                                             const std::string& candidateDir);
// Compares every pair of the folders; each result goes to each before the next
// pair is read (so that its data can be used and let go). Throws pal::IoError
// when a folder cannot be read.
std::vector<FileResult> compareFolders(const std::string& referenceDir, const std::string& candidateDir,
                                       const CompareOptions& options, const std::function<void(FileResult&)>& each = {});

// What a terminal shows of one result: one line per differing or missing
// variable, per text difference, or the failure.
std::vector<std::string> resultLines(const FileResult& result);
// 0: everything compared is within the tolerance; 1: something differs or is
// missing; 2: a file could not be compared, or nothing was compared at all.
int exitCode(const std::vector<FileResult>& results);

}  // namespace cmp
