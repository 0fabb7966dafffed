// QuivetError: why a QUIVET file cannot be shown or written, with the message the
// user sees. Input errors (a malformed statement or descriptor) sound a beep.
#pragma once
#include <stdexcept>
#include <string>

namespace quivet {

class QuivetError : public std::runtime_error {
public:
    enum class Kind { InputError, MissingFile, BadFile };
    QuivetError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }
    bool beep() const { return kind_ == Kind::InputError; }

    // Where an input error stands and what it is in one line, for a list of
    // messages (the message itself spans several lines); line 0 when none.
    std::string file;
    int line = 0;
    std::string summary;

private:
    Kind kind_;
};

}  // namespace quivet
