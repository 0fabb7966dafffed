// Side-by-side comparison of two text files of any size (listings, output
// tables): lines are matched through the hashes the line index keeps, lines
// whose words agree and whose numbers differ only within the tolerance count
// as equal, and the rest is aligned by a diff library in windows around each
// difference. Works in slices, so a window can show the first screen while
// the rest of the files is still being compared.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/tolerance.h"
#include "text/lineindex.h"

namespace cmp {

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

// A run of rows of the comparison. Same: equal lines; Close: lines whose
// numbers differ within the tolerance; Changed: leftCount lines replaced by
// rightCount lines (either may be 0), shown row by row side by side.
struct TextBlock {
    enum Kind : std::uint8_t { Same, Close, Changed };
    Kind kind = Same;
    std::size_t left = 0, right = 0;  // first line of each side (0-based)
    std::size_t leftCount = 0, rightCount = 0;
    std::size_t firstRow = 0;         // row of the comparison where the block starts
    std::size_t rows() const { return std::max(leftCount, rightCount); }
};

// One word of a line: a number, a word, a run of blanks or one other character.
struct TextToken {
    enum Kind : std::uint8_t { Number, Word, Blank, Other };
    Kind kind = Word;
    std::size_t start = 0, length = 0;  // bytes in the line
    double value = 0;                   // for numbers
};
std::vector<TextToken> tokenize(std::string_view line);

// The parts of two lines that differ: byte ranges of each (numbers within the
// tolerance agree unless exact). largestDifference: of the numbers that differ.
struct WordDifference {
    std::vector<std::pair<std::size_t, std::size_t>> left, right;  // start, length
    double largestAbs = 0, largestRel = 0;
};
WordDifference wordDifference(std::string_view left, std::string_view right, const Tolerance& tolerance, bool exact);

class TextComparison {
public:
    // Opens both files (throws pal::IoError); nothing is compared yet.
    TextComparison(const std::string& leftPath, const std::string& rightPath, const Tolerance& tolerance, bool exact);
    ~TextComparison();

    // Reads and compares about budget more bytes; true once both files are
    // compared to their ends. Throws pal::IoError.
    bool advance(std::size_t budget);
    void runToEnd();
    // Compares at least until the comparison has rows rows (or is complete).
    void advanceToRow(std::size_t rows);
    bool complete() const { return complete_; }
    double progress() const;  // 0..1 of the bytes of both files

    const Tolerance& tolerance() const { return tolerance_; }
    bool exact() const { return exact_; }
    const std::vector<TextBlock>& blocks() const { return blocks_; }
    std::size_t rowCount() const;
    std::size_t differenceCount() const { return differences_; }

    struct Row {
        std::size_t left = kNoLine, right = kNoLine;
        TextBlock::Kind kind = TextBlock::Same;
        std::size_t block = 0;
    };
    Row row(std::size_t i) const;  // i < rowCount()
    // The first row of the next (previous) Changed block after (before) row.
    std::optional<std::size_t> nextDifference(std::size_t row) const;
    std::optional<std::size_t> previousDifference(std::size_t row) const;

    pal::LineIndex& leftIndex() { return *left_.index; }
    pal::LineIndex& rightIndex() { return *right_.index; }
    // The bytes of a line (at most 64 KiB of it).
    std::string leftLine(std::size_t line) { return lineText(left_, line); }
    std::string rightLine(std::size_t line) { return lineText(right_, line); }

private:
    struct Side {
        std::unique_ptr<pal::LineIndex> index;
        int fd = -1;
        // Lines first.. of the file read in one piece: their bytes and spans.
        std::string text;
        std::size_t first = 0;
        std::vector<std::pair<std::size_t, std::size_t>> spans;
    };
    std::string lineText(Side& s, std::size_t line);
    // Line k from the side's cache, which is loaded from k on (about `ahead`
    // lines) when k is not in it. Valid until the next load.
    std::string_view cachedLine(Side& s, std::size_t k, std::size_t ahead = 256);
    // Whether the side has line k or is complete before it.
    bool ready(Side& s, std::size_t k);
    void indexAhead(std::size_t budget);
    bool alignSome();  // false when more indexing is needed first
    bool closeLines(std::size_t i, std::size_t j);
    void append(TextBlock::Kind kind, std::size_t leftCount, std::size_t rightCount);
    bool resync();  // false when the window needs more indexed lines

    Side left_, right_;
    Tolerance tolerance_;
    bool exact_ = false;
    bool complete_ = false;
    std::size_t i_ = 0, j_ = 0;  // the next lines to align
    std::vector<TextBlock> blocks_;
    std::size_t differences_ = 0;
    std::size_t window_ = 8;     // lines of the diff window around a difference
};

}  // namespace cmp
