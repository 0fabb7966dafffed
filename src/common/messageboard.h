// The messages the program has about lines of files: the engine's errors and
// warnings of a run (read from its listing), a QUIVET file's input errors and
// Make QUIVET's messages. The Messages panel lists them. Each source publishes
// its set for one file; a new set of the same source and file replaces the old
// one (the next run of a deck clears its messages).
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace pal {

enum class Severity { Error, Warning };

struct FileMessage {
    Severity severity = Severity::Error;
    int line = 0;         // 1-based line of the file; 0 when the message names none
    std::string text;     // one line
    // The line's text as the reporter read it: it finds the line again after the
    // file was changed ("" with hasEcho false when unknown).
    std::string echo;
    bool hasEcho = false;
    std::string listing;  // the engine's listing that reports it; "" for other sources
    int listingLine = 0;  // 1-based line of that listing
};

// A message about a line that names no listing.
FileMessage lineMessage(Severity severity, int line, std::string text);

enum class MessageSource { Engine, TableRun, QuivetForm, MakeQuivet };

struct MessageSet {
    MessageSource source = MessageSource::Engine;
    std::string file;  // the deck or QUIVET file the lines belong to
    std::vector<FileMessage> messages;
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

}  // namespace pal
