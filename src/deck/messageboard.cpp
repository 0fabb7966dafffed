#include "deck/messageboard.h"

#include <algorithm>

namespace deck {

void MessageBoard::publish(MessageSet set) {
    sets_.erase(std::remove_if(sets_.begin(), sets_.end(),
                               [&](const MessageSet& s) { return s.source == set.source && s.file == set.file; }),
                sets_.end());
    sets_.push_back(std::move(set));
    changed();
}

void MessageBoard::clear() {
    sets_.clear();
    changed();
}

int MessageBoard::subscribe(Listener listener) {
    listeners_.emplace_back(nextId_, std::move(listener));
    return nextId_++;
}

void MessageBoard::unsubscribe(int id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [id](const auto& l) { return l.first == id; }),
                     listeners_.end());
}

void MessageBoard::changed() {
    // A listener may unsubscribe while it is called.
    const auto listeners = listeners_;
    for (const auto& l : listeners) l.second();
}

MessageBoard& messageBoard() {
    static MessageBoard board;
    return board;
}

MessageSet engineMessages(Source source, const std::string& deck, const std::string& listing,
                          const std::vector<std::string>& listingLines) {
    MessageSet set{source, deck, {}};
    for (EngineMessage& m : parseListing(listingLines).messages) {
        BoardMessage b;
        b.severity = m.severity;
        b.where = std::move(m);
        b.listing = listing;
        set.messages.push_back(std::move(b));
    }
    return set;
}

}  // namespace deck
