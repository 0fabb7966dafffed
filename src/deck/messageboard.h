// The messages the Messages panel lists: the engine's errors and warnings of a
// run, a QUIVET form's input errors and Make QUIVET's messages, each tied to a
// file and line. Each source publishes the set for one file; a new set of the
// same source and file replaces the old one (the next run of a deck clears its
// messages).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "deck/listingmessages.h"

namespace deck {

enum class Source { Engine, TableRun, QuivetForm, MakeQuivet };

struct BoardMessage {
    Severity severity = Severity::Error;
    // The engine's reading of the line (deck line, echoed text), or only the
    // line for messages that name one.
    EngineMessage where;
    std::string listing;   // the listing that reported it; "" for other sources
};

struct MessageSet {
    Source source = Source::Engine;
    std::string file;      // the deck or QUIVET file the lines belong to
    std::vector<BoardMessage> messages;
};

class MessageBoard {
public:
    using Listener = std::function<void()>;

    void publish(MessageSet set);
    void clear();
    // In publishing order; the newest set last.
    const std::vector<MessageSet>& sets() const { return sets_; }

    // Listeners are called after each change.
    int subscribe(Listener listener);
    void unsubscribe(int id);

private:
    void changed();

    std::vector<MessageSet> sets_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextId_ = 1;
};

// The program's one board.
MessageBoard& messageBoard();

// A set of the engine's messages of a run of deck, read from its listing's lines.
MessageSet engineMessages(Source source, const std::string& deck, const std::string& listing,
                          const std::vector<std::string>& listingLines);

}  // namespace deck
