// A result file the engine writes while the run goes on: it is put in place with
// its first lines as a new file, then rows are appended, whole lines at a time,
// whenever the run flushes. A killed run leaves every line flushed before it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "deck.h"

namespace kalvex {

class ResultFile {
public:
    ResultFile() = default;
    ~ResultFile();
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // Replaces the file at path by one holding the head lines (the house rules
    // of replaceFile: links followed, mode kept) and keeps it open for appending.
    // A failure becomes a message and the file stays closed.
    bool begin(const std::string& path, const std::vector<std::string>& head, std::vector<DeckMessage>& messages);
    bool open() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Adds a line (CR LF is appended) to what the next flush writes.
    void add(std::string_view line);
    void add(const std::vector<std::string>& lines);
    std::size_t pending() const { return buffer_.size(); }
    // Writes the lines added so far; a failure becomes a message and ends the
    // writing of this file.
    void flush(std::vector<DeckMessage>& messages);
    // Flushes and closes.
    void close(std::vector<DeckMessage>& messages);

private:
    std::string path_;
    std::string buffer_;
    int fd_ = -1;
};

}  // namespace kalvex
