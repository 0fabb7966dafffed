// Reference results of a deck: the results of a run kept in a folder beside
// the deck (PUMP.ref for PUMP.DCK), and the pairs of reference and current
// results that Compare with Reference compares.
#pragma once
#include <string>
#include <vector>

namespace cmp {

// The reference folder of a deck: its base name (the file name cut at its
// first ".") followed by ".ref".
std::string referenceFolder(const std::string& deckPath);

// The results the deck's last run left: its listing, output tables (".O*")
// and plot data, under the deck's base name or the names its ASSIGN
// statements give, each only when it is not older than the deck.
std::vector<std::string> latestResults(const std::string& deckPath);

// Copies the latest results into the reference folder (made when missing),
// each through a temporary file renamed over the old one; files of an earlier
// reference that this run did not write are removed. Returns the file names
// kept. Throws pal::IoError, or std::runtime_error when the deck has no
// result newer than itself.
std::vector<std::string> keepAsReference(const std::string& deckPath);

struct ReferencePair {
    std::string reference, current;  // current: "" when the run left no such file
    bool stale = false;              // the current file is older than the deck
};
// Every file of the reference folder with the deck's current result of that
// name. Throws std::runtime_error when the deck has no reference folder.
std::vector<ReferencePair> referencePairs(const std::string& deckPath);

}  // namespace cmp
