// The engine's errors and warnings as its listing reports them: each under the
// numbered echo of the deck line it belongs to (" *** Error in line 12: ..."),
// or in the summary when it concerns the whole deck. And where a message's line
// stands in the deck now, when the deck was changed after the run.
#pragma once
#include <string>
#include <vector>

namespace deck {

enum class Severity { Error, Warning };

struct EngineMessage {
    Severity severity = Severity::Error;
    int deckLine = 0;     // 1-based; 0 when the listing ties it to no line
    int listingLine = 0;  // 1-based line of the listing that reports it
    std::string text;
    // The deck line as the listing echoes it ("" when it echoes none): it finds
    // the line again after the deck was changed.
    std::string echo;
    bool hasEcho = false;
};

struct ListingMessages {
    std::vector<EngineMessage> messages;  // in listing order
    int errors = 0;
    int warnings = 0;
};

// Reads the listing's lines. A message names its line (" in line N"), or
// follows the echo of one ("   12  text"); a listing that numbers no line ties
// a message to the text of the line above it.
ListingMessages parseListing(const std::vector<std::string>& lines);

// Where to go for a message in the deck as it is now.
struct LinePlace {
    int line = 1;             // 1-based, within the deck (1 for an empty deck)
    bool moved = false;       // the deck changed since the run
    std::string note;         // one line for the user when moved; empty otherwise
};
// deckLines are the deck's lines now; the message's line is taken when it still
// holds the echoed text. Otherwise the nearest line holding that text, else the
// nearest existing line.
LinePlace placeOf(const EngineMessage& message, const std::vector<std::string>& deckLines);

// The listings a run of the deck may have written, in the order to try them:
// the file its last ASSIGN of a ".LST" file names (a relative name taken from
// the deck's folder, "\\" read as "/"), then the deck's companion ".LST".
std::vector<std::string> listingCandidates(const std::string& deckPath, const std::vector<std::string>& deckLines);

// "3 errors, 1 warning", "0 errors".
std::string countText(int errors, int warnings);

}  // namespace deck
