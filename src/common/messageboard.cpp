#include "common/messageboard.h"

#include <algorithm>

namespace pal {

FileMessage lineMessage(Severity severity, int line, std::string text) {
    FileMessage m;
    m.severity = severity;
    m.line = line;
    m.text = std::move(text);
    return m;
}

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

}  // namespace pal
