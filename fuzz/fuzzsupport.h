// Shared helpers of the fuzz targets: property checks that stop with a message,
// an input split into several files, and a scratch directory for readers that
// take a path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Stops the run (a finding) when a property does not hold.
[[noreturn]] void fail(const char* what, const char* file, int line);
#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::fuzz::fail(#cond, __FILE__, __LINE__))

// The input split at NUL bytes into at most n parts (missing parts are empty),
// so one input can carry a form and its choice file, or a deck and a type file.
std::vector<std::string> splitParts(std::string_view data, std::size_t n);

// The lines of a text (LF or CR LF), each cut to cut bytes (a fixed format's
// readers cut at 255; the deck's own lines are kept whole).
std::vector<std::string> textLines(std::string_view text, std::size_t cut = 255);

// The resources one input may take: CPU time and the peak of heap bytes in use
// while it runs, each a fixed part and a part per byte of the input, so that
// work or memory growing with the square of the input is a finding. Declared
// first in a target; its end checks (heap bytes only where a sanitizer
// counts them).
struct Bounds {
    double seconds = 2.0, secondsPerKiB = 0.05;
    std::size_t bytes = 64u << 20, bytesPerByte = 512;
};
class Budget {
public:
    explicit Budget(std::size_t inputSize, Bounds bounds = {});
    ~Budget();
    Budget(const Budget&) = delete;
    Budget& operator=(const Budget&) = delete;

private:
    std::size_t size_;
    Bounds bounds_;
    double cpuStart_;
    long long heapStart_;
};

// A directory of this process, emptied of nothing, removed at exit.
const std::string& scratchDir();
// Writes bytes to scratchDir()/name (directories created) and returns the path.
std::string writeScratch(const std::string& name, std::string_view bytes);

}  // namespace fuzz
