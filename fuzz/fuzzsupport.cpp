#include "fuzzsupport.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fuzz {

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "Property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

std::vector<std::string> splitParts(std::string_view data, std::size_t n) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < n) {
        const auto nul = data.find('\0');
        if (nul == std::string_view::npos) break;
        parts.emplace_back(data.substr(0, nul));
        data.remove_prefix(nul + 1);
    }
    parts.emplace_back(data);
    parts.resize(n);
    return parts;
}

std::vector<std::string> textLines(std::string_view text, std::size_t cut) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line.substr(0, cut));
        start = end + 1;
    }
    return lines;
}

// Heap bytes in use, counted through the sanitizer's allocation hooks (weak:
// a build without a sanitizer checks time only).
extern "C" {
__attribute__((weak)) int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                                   void (*)(const volatile void*));
__attribute__((weak)) std::size_t __sanitizer_get_allocated_size(const volatile void*);
}

namespace {

std::atomic<long long> heapInUse{0}, heapPeak{0};

void onMalloc(const volatile void*, std::size_t n) {
    const long long now = heapInUse += static_cast<long long>(n);
    long long peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}
void onFree(const volatile void* p) {
    if (p) heapInUse -= static_cast<long long>(__sanitizer_get_allocated_size(p));
}

bool countingHeap() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks && __sanitizer_get_allocated_size &&
                                  __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    return installed;
}

double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

Budget::Budget(std::size_t inputSize, Bounds bounds)
    : size_(inputSize), bounds_(bounds), cpuStart_(cpuSeconds()), heapStart_(countingHeap() ? heapInUse.load() : 0) {
    heapPeak = heapStart_;
}

Budget::~Budget() {
    const double took = cpuSeconds() - cpuStart_;
    const double allowed = bounds_.seconds + bounds_.secondsPerKiB * static_cast<double>(size_) / 1024.0;
    if (took > allowed) {
        std::fprintf(stderr, "An input of %zu bytes took %.2f s of CPU time (bound %.2f s)\n", size_, took, allowed);
        fail("time proportional to the input", __FILE__, __LINE__);
    }
    if (!countingHeap()) return;
    const long long used = heapPeak.load() - heapStart_;
    const long long limit = static_cast<long long>(bounds_.bytes + bounds_.bytesPerByte * size_);
    if (used > limit) {
        std::fprintf(stderr, "An input of %zu bytes held %lld heap bytes at once (bound %lld)\n", size_, used, limit);
        fail("memory proportional to the input", __FILE__, __LINE__);
    }
}

namespace {
std::string makeScratch() {
    // Memory-backed when the system has it: the targets write a file per input.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string dir = (base / "palumaro-fuzz-XXXXXX").string();
    if (!::mkdtemp(dir.data())) fail("a scratch directory can be made", __FILE__, __LINE__);
    static std::string removeAtExit;
    removeAtExit = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(removeAtExit, ec);
    });
    return dir;
}
}  // namespace

const std::string& scratchDir() {
    static const std::string dir = makeScratch();
    return dir;
}

std::string writeScratch(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = std::filesystem::path(scratchDir()) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

}  // namespace fuzz
