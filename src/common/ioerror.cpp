#include "common/ioerror.h"

#include <cerrno>
#include <cstring>

namespace pal {

IoError::IoError(int code, std::string path, const std::string& wording)
    : std::runtime_error(wording), code_(code), path_(std::move(path)) {}

IoError IoError::fromErrno(const std::string& path) {
    const int e = errno;
    return IoError(e, path, e ? std::strerror(e) : "I/O error");
}

std::string IoError::userText() const {
    std::string t = code_ ? "I/O error " + std::to_string(code_) + ": " + what() : std::string(what());
    if (!path_.empty()) t += "\n" + path_;
    return t;
}

}  // namespace pal
