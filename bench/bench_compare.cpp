// Comparing runs. Plot data: two 79 MB files (525 600 rows x 10 columns in the
// engine's E15.7 layout) with one differing value, compared from the files to
// the result list, against a bare from_chars pass over both files, and the
// comparison's peak memory (in a process of its own) against the two files'
// values as doubles; the command line end to end as well. Text: two 100 MB
// listings with 1% of their lines changed, the first screen of the side-by-side
// window against reading both files once (cat to /dev/null), and the whole
// comparison. Every figure is measured side by side in this one run.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compare/comparedlg.h"
#include "compare/filecompare.h"
#include "compare/textcomparef.h"

#include "benchsupport.h"

namespace {

using benchsupport::e15;
using benchsupport::ms;
using benchsupport::status;

constexpr int kRows = 525600;
constexpr int kColumns = 10;
constexpr long long kLines = 2000000;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A year of one-minute rows; spikeRow >= 0 changes one value of column 4 there.
void writePlt(const std::string& path, int spikeRow) {
    std::ofstream out(path, std::ios::binary);
    out << "TIME";
    for (int c = 1; c < kColumns; ++c) out << " V" << c;
    out << "\r\nh";
    for (int c = 1; c < kColumns; ++c) out << " kW";
    out << "\r\n";
    std::string row;
    char num[16];
    unsigned noise = 12345;
    for (int r = 0; r < kRows; ++r) {
        row.clear();
        for (int c = 0; c < kColumns; ++c) {
            noise = noise * 1103515245u + 12345u;
            const double jitter = static_cast<double>((noise >> 16) & 0x3FF) / 1024.0 - 0.5;
            double v = c == 0 ? r / 60.0 : 100.0 * std::sin(2 * M_PI * r / 1440.0 * (1 + c % 4) / 2) + 10.0 * c + jitter * c;
            if (r == spikeRow && c == 4) v += 25;
            e15(num, v);
            row.append(num, 15);
        }
        row.append("\r\n");
        out << row;
    }
}

// A listing of about 100 MB; with changes, 1% of its lines have another
// number (beyond the tolerance) and a few blocks of lines are added.
void writeListing(const std::string& path, bool changed) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 rng(1);
    std::mt19937 pick(7);
    char line[128];
    std::string chunk;
    for (long long i = 0; i < kLines; ++i) {
        const double a = (rng() % 100000) / 7.0, b = (rng() % 100000) / 3.0, c = (rng() % 100000) / 11.0;
        const bool change = changed && pick() % 100 == 0;
        const int n = std::snprintf(line, sizeof line, " %9lld %12.5E %12.5E %12.5E\r\n", i, a, change ? b * 1.5 + 1 : b, c);
        chunk.append(line, static_cast<std::size_t>(n));
        if (changed && i % 400000 == 200000) chunk += " an added note of the new engine version\r\n";
        if (chunk.size() > (1u << 20)) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk;
}

double fromCharsPass(const std::string& path, double& sum) {
    QElapsedTimer t;
    t.start();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::size_t size = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    std::unique_ptr<char[]> buf(new char[size]);
    in.read(buf.get(), static_cast<std::streamsize>(size));
    const char* p = buf.get();
    const char* end = p + size;
    p = static_cast<const char*>(std::memchr(p, '\n', size)) + 1;
    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
        if (p >= end) break;
        double v = 0;
        const auto r = std::from_chars(p, end, v);
        sum += v;
        p = r.ptr == p ? p + 1 : r.ptr;
    }
    return ms(t);
}

// Run in a process of its own: the comparison's peak memory above the
// process's memory before it.
int measureMemory(const char* ref, const char* cand) {
    const long long before = status("VmRSS:");
    const cmp::FileResult r = cmp::compareFiles(ref, cand, cmp::CompareOptions{});
    const long long peak = status("VmHWM:");
    std::printf("%lld %d\n", peak - before, int(cmp::resultLines(r).size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--memory") == 0) return measureMemory(argv[2], argv[3]);
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    const std::string ref = dir + "/REF.PLT", cand = dir + "/NEW.PLT";
    QElapsedTimer t;
    t.start();
    writePlt(ref, -1);
    writePlt(cand, 300000);
    std::printf("bench_compare: two plot data files of %d rows x %d columns written in %.0f ms\n", kRows, kColumns, ms(t));

    // Plot data: the comparison and the floor side by side, alternating.
    std::vector<double> floor, compare;
    std::string found;
    for (int i = 0; i < 3; ++i) {
        double sum = 0;
        floor.push_back(fromCharsPass(ref, sum) + fromCharsPass(cand, sum));
        t.restart();
        const cmp::FileResult r = cmp::compareFiles(ref, cand, cmp::CompareOptions{});
        compare.push_back(ms(t));
        const auto lines = cmp::resultLines(r);
        found = lines.empty() ? std::string("nothing found") : lines.front() + (lines.size() > 1 ? " ..." : "");
    }
    const double f = median(floor), c = median(compare);
    std::printf("  plot data: compare %.0f ms (median of 3); bare from_chars pass over both files %.0f ms; ratio %.2f "
                "(goal <= 1.5)\n    found: %s\n",
                c, f, c / f, found.c_str());
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory"), QString::fromStdString(ref), QString::fromStdString(cand)});
    child.waitForFinished(300000);
    const long long peak = QString::fromLatin1(child.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0).toLongLong();
    const double values = 2.0 * kRows * kColumns * sizeof(double);
    std::printf("  plot data: peak memory of the comparison %.1f MB = %.2f x the two files' values as doubles (%.1f MB); "
                "goal <= 2\n",
                peak / 1e6, peak / values, values / 1e6);
    const QString program = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + QStringLiteral("/palumaro");
    std::vector<double> cli;
    int code = -1;
    for (int i = 0; i < 3; ++i) {
        QProcess p;
        t.restart();
        p.start(program, {QStringLiteral("--compare"), QString::fromStdString(ref), QString::fromStdString(cand)});
        p.waitForFinished(300000);
        cli.push_back(ms(t));
        code = p.exitCode();
    }
    std::printf("  plot data: palumaro --compare end to end %.0f ms (median of 3, exit code %d) = %.2f x the floor\n",
                median(cli), code, median(cli) / f);

    // Text: first screen and whole comparison against cat of both files.
    const std::string a = dir + "/A.LST", b = dir + "/B.LST";
    t.restart();
    writeListing(a, false);
    writeListing(b, true);
    std::printf("bench_compare: two listings of %lld lines written in %.0f ms\n", kLines, ms(t));
    std::vector<double> cat, first, whole;
    std::size_t differences = 0;
    for (int i = 0; i < 3; ++i) {
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/null"));
        t.restart();
        p.start(QStringLiteral("cat"), {QString::fromStdString(a), QString::fromStdString(b)});
        p.waitForFinished(300000);
        cat.push_back(ms(t));
        t.restart();
        auto* w = new TTextCompareForm(QString::fromStdString(a), QString::fromStdString(b), CompareRequest{});
        w->resize(1200, 800);
        w->show();
        (void)w->grab();
        first.push_back(ms(t));
        t.restart();
        w->finishComparing();
        whole.push_back(ms(t) + first.back());
        differences = w->comparison().differenceCount();
        delete w;
    }
    const double catMs = median(cat);
    std::printf("  listings: first screen %.1f ms; cat of both files %.0f ms; ratio %.2f (goal <= 3)\n", median(first),
                catMs, median(first) / catMs);
    std::printf("  listings: whole comparison %.0f ms = %.2f x cat (%zu differences found)\n", median(whole),
                median(whole) / catMs, differences);
    std::printf("  peak memory of this process (VmHWM) %.1f MB\n", status("VmHWM:") / 1e6);
    return 0;
}
