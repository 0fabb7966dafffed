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

private:
    Kind kind_;
};

}  // namespace quivet
