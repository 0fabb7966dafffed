// Pieces the benchmarks share: elapsed milliseconds, a figure of this process
// from /proc/self/status, and the engine's 15-character E format for writing
// plot data as the engine does.
#pragma once
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace benchsupport {

inline double ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// A "VmHWM:"-style entry of /proc/self/status in bytes, or -1.
inline long long status(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string k;
    while (in >> k) {
        if (k == key) {
            long long kb = 0;
            in >> kb;
            return kb * 1024;
        }
        std::getline(in, k);
    }
    return -1;
}

// v as the engine writes it: "%15s" of 0.DDDDDDDE+XX (15 characters, no terminator needed beyond out[15]).
inline void e15(char* out, double v) {
    char body[40];
    if (v == 0) {
        std::snprintf(out, 16, "%15s", "0.0000000E+00");
        return;
    }
    int e = static_cast<int>(std::floor(std::log10(std::fabs(v)))) + 1;
    long long digits = std::llround(std::fabs(v) / std::pow(10.0, e) * 1e7);
    if (digits >= 10000000) {
        digits /= 10;
        ++e;
    }
    std::snprintf(body, sizeof body, "%s0.%07lldE%c%02d", v < 0 ? "-" : "", digits, e < 0 ? '-' : '+', std::abs(e));
    std::snprintf(out, 16, "%15.15s", body);
}

}  // namespace benchsupport
