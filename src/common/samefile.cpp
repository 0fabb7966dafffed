#include "common/samefile.h"

#include <sys/stat.h>

namespace pal {

namespace {
bool identity(const std::string& path, struct stat& st) { return !path.empty() && ::stat(path.c_str(), &st) == 0; }
}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return identity(a, sa) && identity(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<std::string> outputOverInput(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& outputs) {
    for (const std::string& out : outputs) {
        struct stat so {};
        if (!identity(out, so)) continue;  // a file still to be made is no input
        for (const std::string& in : inputs) {
            struct stat si {};
            if (identity(in, si) && si.st_dev == so.st_dev && si.st_ino == so.st_ino)
                return out + " is the file " + in + " that this command reads; nothing was written";
        }
    }
    return std::nullopt;
}

}  // namespace pal
