// IoError: the failure of a file read or write, carrying the system's wording.
// Core code throws it; the application's one top-level handler shows it.
#pragma once
#include <stdexcept>
#include <string>

namespace pal {

class IoError : public std::runtime_error {
public:
    // code is an errno value (0 when the failure is not a system error).
    IoError(int code, std::string path, const std::string& wording);
    // Builds the error from errno after a failed system call.
    static IoError fromErrno(const std::string& path);
    int code() const { return code_; }
    const std::string& path() const { return path_; }
    // What the user sees, e.g. "I/O error 2: No such file or directory\n/tmp/X.DCK".
    std::string userText() const;

private:
    int code_;
    std::string path_;
};

}  // namespace pal
