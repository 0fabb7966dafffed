// The engine's errors and warnings as its listing reports them: each under the
// numbered echo of the deck line it belongs to (" *** Error in line 12: ..."),
// or in the summary when it concerns the whole deck. And where a message's line
// stands in the deck now, when the deck was changed after the run.
#pragma once
#include <string>
#include <vector>

#include "common/messageboard.h"

namespace deck {

using Severity = pal::Severity;
// A message as the listing has it: line (the deck line; 0 when the listing ties
// it to none), listingLine, text, and the echo of its deck line.
using EngineMessage = pal::FileMessage;

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

// The set of the engine's messages of a run of deck, read from its listing's lines.
pal::MessageSet engineMessages(pal::MessageSource source, const std::string& deck, const std::string& listing,
                               const std::vector<std::string>& listingLines);

// "3 errors, 1 warning", "0 errors".
std::string countText(int errors, int warnings);

}  // namespace deck
