// Collecting a study: four metrics from 99 runs of 525 600 rows x 10 columns
// (the engine's E15.7 layout, about 80 MB a run), run by run, against a bare
// from_chars pass over the same files, alternating so that both see the same
// page cache; and the collection's peak memory (in a process of its own)
// against one run's values as doubles. The files are written once into a
// temporary folder and removed at the end.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "study/collect.h"

#include "benchsupport.h"

namespace {

using benchsupport::e15;
using benchsupport::ms;
using benchsupport::status;

constexpr int kRuns = 99;
constexpr int kRows = 525600;
constexpr int kColumns = 10;
const char* const kMetrics = "V1:max,V2:final,V3:mean,V4:integral";

// A year of one-minute rows; each run writes the same body with its own value
// in column 1 of every 1000th row, so that each run's maximum differs.
std::string body() {
    std::string t = "TIME";
    for (int c = 1; c < kColumns; ++c) t += " V" + std::to_string(c);
    t += "\r\nh";
    for (int c = 1; c < kColumns; ++c) t += " kW";
    t += "\r\n";
    t.reserve(static_cast<std::size_t>(kRows) * (kColumns * 15 + 2) + t.size());
    char num[16];
    unsigned noise = 12345;
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            noise = noise * 1103515245u + 12345u;
            const double jitter = static_cast<double>((noise >> 16) & 0x3FF) / 1024.0 - 0.5;
            const double v = c == 0 ? r / 60.0 : 100.0 * std::sin(2 * M_PI * r / 1440.0 * (1 + c % 4) / 2) + 10.0 * c + jitter * c;
            e15(num, v);
            t.append(num, 15);
        }
        t.append("\r\n");
    }
    return t;
}

void writeRuns(const std::string& dir, std::vector<std::string>& files) {
    std::string text = body();
    const std::size_t head = text.find('\n', text.find('\n') + 1) + 1;
    const std::size_t rowBytes = kColumns * 15 + 2;
    char num[16];
    for (int run = 1; run <= kRuns; ++run) {
        e15(num, 200.0 + run);
        for (std::size_t r = 0; r < static_cast<std::size_t>(kRows); r += 1000) std::memcpy(&text[head + r * rowBytes + 15], num, 15);
        files.push_back(dir + "/RUN" + std::to_string(run) + ".PLT");
        std::ofstream(files.back(), std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

// Every number of every file through from_chars, read a megabyte at a time.
double fromCharsPass(const std::vector<std::string>& files, double& sum) {
    QElapsedTimer t;
    t.start();
    std::vector<char> buf(1 << 20);
    for (const std::string& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        std::size_t held = 0;
        int lines = 0;
        for (;;) {
            const ssize_t n = ::read(fd, buf.data() + held, buf.size() - held);
            if (n <= 0) break;
            const char* p = buf.data();
            const char* end = p + held + static_cast<std::size_t>(n);
            const char* last = static_cast<const char*>(::memrchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
            while (lines < 2 && p < last) {  // the header lines
                p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p))) + 1;
                ++lines;
            }
            while (p < last) {
                while (p < last && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
                if (p >= last) break;
                double v = 0;
                const auto r = std::from_chars(p, last, v);
                sum += v;
                p = r.ptr == p ? p + 1 : r.ptr;
            }
            held = static_cast<std::size_t>(end - last);
            std::memmove(buf.data(), last, held);
        }
        ::close(fd);
    }
    return ms(t);
}

double collectPass(const std::vector<std::string>& files, double& sum) {
    const auto metrics = study::parseMetricList(kMetrics);
    QElapsedTimer t;
    t.start();
    for (const std::string& f : files) {
        const study::RunResult r = study::collectRun(f, metrics);
        if (r.failed) std::fprintf(stderr, "bench_study: %s\n", r.status.c_str());
        for (const auto& v : r.values) sum += v.value_or(0);
    }
    return ms(t);
}

// In a process of its own: the collection's peak memory above the memory
// before it.
int measureMemory(int argc, char** argv) {
    std::vector<std::string> files(argv + 2, argv + argc);
    const long long before = status("VmRSS:");
    double sum = 0;
    collectPass(files, sum);
    std::printf("%lld\n", status("VmHWM:") - before);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--memory") == 0) return measureMemory(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    std::vector<std::string> files;
    QElapsedTimer t;
    t.start();
    writeRuns(tmp.path().toStdString(), files);
    std::printf("bench_study: %d runs of %d rows x %d columns written in %.0f ms\n", kRuns, kRows, kColumns, ms(t));
    std::fflush(stdout);

    // A first bare pass warms the page cache; then three rounds side by side.
    double floorSum = 0, collectSum = 0;
    fromCharsPass(files, floorSum);
    std::vector<double> floors, collects, ratios;
    for (int round = 0; round < 3; ++round) {
        const double f = fromCharsPass(files, floorSum);
        const double c = collectPass(files, collectSum);
        std::printf("  round %d: collect %s from %d runs %.0f ms; bare from_chars pass %.0f ms; ratio %.2f\n", round + 1,
                    kMetrics, kRuns, c, f, c / f);
        std::fflush(stdout);
        floors.push_back(f);
        collects.push_back(c);
        ratios.push_back(c / f);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(floors.begin(), floors.end());
    std::sort(collects.begin(), collects.end());
    std::printf("  collection %.0f ms against the bare pass %.0f ms (medians): ratio %.2f (median of the rounds; goal <= 1.3)\n",
                collects[1], floors[1], ratios[1]);

    QStringList args{QStringLiteral("--memory")};
    for (const std::string& f : files) args << QString::fromStdString(f);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    const long long peak = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLongLong();
    const double oneRun = static_cast<double>(kRows) * kColumns * sizeof(double);
    std::printf("  peak memory of the collection %.1f MB = %.2f x one run's values as doubles (%.1f MB); goal: bounded "
                "by one run\n",
                peak / 1e6, peak / oneRun, oneRun / 1e6);
    return 0;
}
