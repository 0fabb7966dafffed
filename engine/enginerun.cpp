#include "enginerun.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <thread>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/samefile.h"
#include "common/textfile.h"
#include "deck.h"
#include "reports.h"
#include "resultfile.h"
#include "common/settings.h"
#include "simulation.h"

namespace fs = std::filesystem;

namespace kalvex {

namespace {

std::string crlfText(const std::vector<std::string>& lines) {
    std::string text;
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    text.reserve(size);
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

// One file under two names: the same path, a link, or a second hard link.
bool samePath(const std::string& a, const std::string& b) {
    if (pal::sameFile(a, b)) return true;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(fs::path(a), ea), pb = fs::weakly_canonical(fs::path(b), eb);
    if (ea || eb) return a == b;
    return pa == pb;
}

struct OutputPaths {
    std::string listing, output, plot;
};

struct Switches {
    bool status = true, header = true, labels = true, units = true, warnings = true;
};

// The switches file the program named (the one its setup wrote), else the
// one beside the engine; none: everything on.
Switches readSwitches(const std::string& engineDir, const std::string& named, std::vector<DeckMessage>& notes) {
    Switches s;
    std::optional<std::string> path;
    if (!named.empty()) {
        if (pal::fileExists(named)) {
            path = named;
        } else {
            notes.push_back({0, false, "the switches file " + named + " named by " + pal::kSwitchesVariable +
                                           " does not exist; the engine's own switches are used"});
        }
    }
    if (!path) path = pal::findFile(pal::joinPath(engineDir, pal::kKvnName));
    if (!path) return s;
    try {
        const pal::KvnSwitches on = pal::readKVN(*path);
        s.status = on[0];
        s.header = on[1];
        s.labels = on[2];
        s.units = on[3];
        s.warnings = on[6];
    } catch (const pal::IoError& e) {
        notes.push_back({0, false, "the switches file " + *path + " cannot be read (" + e.what() + "); all switches on"});
    }
    return s;
}

OutputPaths outputPaths(const Deck& deck, const std::string& deckPath, std::vector<DeckMessage>& messages) {
    const std::string base = pal::baseName(deckPath);
    OutputPaths p{base + ".LST", base + ".OUT", base + ".PLT"};
    bool listingSet = false, outputSet = false, plotSet = false;
    for (const auto& a : deck.assigns) {
        const std::string ext = pal::extensionTest(pal::fileNamePart(a.file));
        std::string* target = nullptr;
        bool* set = nullptr;
        if (ext == ".LST") target = &p.listing, set = &listingSet;
        else if (ext == ".PLT") target = &p.plot, set = &plotSet;
        else if (ext.rfind(".O", 0) == 0) target = &p.output, set = &outputSet;
        if (!target) continue;  // a file of a component: not used by this engine
        const std::string path = assignedPath(a.file, deckPath);
        if (samePath(path, deckPath)) {
            messages.push_back({a.line, true, "ASSIGN would overwrite the deck itself; the default name is kept"});
            continue;
        }
        if (*set) messages.push_back({a.line, false, "this ASSIGN replaces an earlier one for the same file"});
        *target = path;
        *set = true;
    }
    // A deck named like one of its own results (RUN.OUT) must survive the run.
    if (samePath(p.listing, deckPath)) p.listing.clear();
    for (std::string* path : {&p.output, &p.plot})
        if (samePath(*path, deckPath)) {
            messages.push_back({0, true, "the result file " + *path + " would overwrite the deck; it is not written"});
            path->clear();
        }
    return p;
}

// Writes the file; a failure becomes a listing message instead of ending the run.
bool writeFile(const std::string& path, const std::vector<std::string>& lines, std::vector<DeckMessage>& messages) {
    if (path.empty()) return false;  // refused earlier, with its message
    try {
        pal::replaceFile(path, crlfText(lines));
        return true;
    } catch (const pal::IoError& e) {
        messages.push_back({0, true, "cannot write " + path + ": " + e.what()});
        return false;
    }
}

// Rows buffered beyond this many bytes are written at once.
constexpr std::size_t kMaxPending = 4u << 20;

// The slow-down in milliseconds per step; a value that is not one is ignored
// with a warning.
double stepDelay(const std::string& text, std::vector<DeckMessage>& messages) {
    if (text.empty()) return 0;
    double ms = 0;
    const char* end = text.data() + text.size();
    const auto res = std::from_chars(text.data(), end, ms);
    if (res.ec != std::errc() || res.ptr != end || !(ms >= 0) || ms > kMaxStepDelayMs) {
        messages.push_back({0, false, std::string(kStepDelayVariable) + "=" + text.substr(0, 40) +
                                          " is not a number of milliseconds from 0 to " +
                                          std::to_string(static_cast<int>(kMaxStepDelayMs)) + "; the run is not slowed down"});
        return 0;
    }
    return ms;
}

// Waits out one slowed-down step in short slices, so that a stop is not kept waiting.
void waitStep(double ms, const std::function<bool()>& stopping) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double, std::milli>(ms));
    for (auto now = steady_clock::now(); now < until && !stopping(); now = steady_clock::now())
        std::this_thread::sleep_for(std::min<steady_clock::duration>(until - now, milliseconds(50)));
}

}  // namespace

std::string assignedPath(const std::string& fileName, const std::string& deckPath) {
    std::string name = fileName;
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.size() >= 2 && name[1] == ':') name.erase(0, 2);
    if (!name.empty() && name[0] == '/') return name;
    const std::string dir = pal::directoryPart(deckPath);
    return dir.empty() ? name : pal::joinPath(dir, name);
}

int runEngine(const std::vector<std::string>& args, const std::string& engineDir, std::ostream& console,
              const RunControls& controls) {
    std::string deckPath;
    bool tableRun = false;
    std::vector<DeckMessage> fileMessages;
    std::vector<std::string> extraDecks;
    for (const auto& a : args) {
        // Switches are "/" and one letter, so a deck path such as "/PUMP" is never one.
        if (a.size() == 2 && a[0] == '/' && a[1] != '/') {
            if (pal::upper(a) == "/N")
                tableRun = true;
            else
                fileMessages.push_back({0, false, "the switch " + a + " is not known and was ignored"});
        } else if (deckPath.empty()) {
            deckPath = a;
        } else {
            extraDecks.push_back(a);
        }
    }
    if (deckPath.empty()) {
        console << "KALVEX32: no deck given.\nUsage: KALVEX32.exe deck [/N]\n";
        return kExitNotRun;
    }
    if (!extraDecks.empty()) {
        // Most likely a deck path with blanks that reached us in pieces.
        console << "KALVEX32: more than one deck given: \"" << deckPath << "\"";
        for (const auto& d : extraDecks) console << ", \"" << d << "\"";
        console << "\nUsage: KALVEX32.exe deck [/N]\n";
        return kExitNotRun;
    }

    const Switches sw = readSwitches(engineDir, controls.switchesFile, fileMessages);
    ReportOptions options;
    options.deckPath = deckPath;
    options.header = sw.header;
    options.labels = sw.labels;
    options.units = sw.units;
    options.warnings = sw.warnings;
    options.tableRun = tableRun;
    const bool status = sw.status && !tableRun;

    std::string bytes;
    std::string readFailure;
    std::error_code ec;
    const auto size = fs::file_size(fs::path(deckPath), ec);
    if (!ec && size > kMaxDeckBytes) {
        readFailure = "the deck is larger than " + std::to_string(kMaxDeckBytes >> 20) + " MB; it is not a deck";
    } else {
        try {
            bytes = pal::readFileBytes(deckPath);
        } catch (const pal::IoError& e) {
            readFailure = std::string("the deck cannot be read: ") + e.what();
        }
    }
    if (!readFailure.empty()) {
        console << "KALVEX32: " << deckPath << ": " << readFailure << "\n";
        // A listing still tells the user of the shell, who sees no console, what went wrong.
        const std::string listing = pal::baseName(deckPath) + ".LST";
        if (!samePath(listing, deckPath) && pal::directoryExists(pal::directoryPart(listing).empty() ? "." : pal::directoryPart(listing))) {
            options.fileMessages.push_back({0, true, readFailure});
            Deck empty;
            std::vector<DeckMessage> ignored;
            writeFile(listing, listingLines(empty, nullptr, options), ignored);
        }
        return kExitNotRun;
    }

    const Deck deck = readDeck(bytes);
    std::vector<DeckMessage> pathMessages;
    const OutputPaths paths = outputPaths(deck, deckPath, pathMessages);
    fileMessages.insert(fileMessages.end(), pathMessages.begin(), pathMessages.end());
    const double delayMs = stepDelay(controls.stepDelay, fileMessages);

    if (paths.listing.empty()) {
        console << "KALVEX32: the listing would overwrite the deck " << deckPath << "; rename the deck\n";
        return kExitNotRun;
    }
    if (status) console << "KALVEX32: " << deckPath << "\n";
    Simulation sim(deck);
    options.fileMessages = fileMessages;

    // The listing's head (the deck echoed with its messages) is there before the
    // run starts; its summary follows at the end.
    std::string listing = paths.listing;
    ResultFile listingFile;
    std::vector<DeckMessage> listingFailure;
    const std::vector<std::string> head = listingHead(deck, &sim, options);
    if (!listingFile.begin(listing, head, listingFailure)) {
        const std::string fallback = pal::baseName(deckPath) + ".LST";
        if (fallback == listing || samePath(fallback, deckPath)) {
            console << "KALVEX32: " << listingFailure.front().text << "\n";
            return kExitNotRun;
        }
        options.fileMessages.push_back(listingFailure.front());
        options.notes.push_back("Listing:     " + fallback);
        listingFailure.clear();
        if (!listingFile.begin(fallback, head, listingFailure)) {
            console << "KALVEX32: " << listingFailure.front().text << "\n";
            return kExitNotRun;
        }
        listing = fallback;
    } else {
        options.notes.push_back("Listing:     " + listing);
    }

    // The output table and the plot data are begun with the first row and grow
    // while the run goes on, flushed every kFlushSeconds.
    ResultFile output, plotData;
    const std::size_t plotColumns = plotColumnCount(sim.results());
    using Clock = std::chrono::steady_clock;
    const auto flushEvery = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kFlushSeconds));
    auto lastFlush = Clock::now();
    const auto stopping = [&] { return controls.stop && *controls.stop != 0; };
    sim.run(
        [&](double done) {
            if (status) console << "  " << static_cast<int>(done * 100 + 0.5) << "% done\n" << std::flush;
        },
        [&](std::size_t row) {
            if (row == 0) {
                if (!paths.output.empty()) output.begin(paths.output, outputHead(sim, options), options.fileMessages);
                if (!paths.plot.empty()) plotData.begin(paths.plot, plotHead(sim.results()), options.fileMessages);
            }
            if (output.open()) output.add(outputRow(sim, row));
            if (plotData.open()) plotData.add(plotRow(sim.results(), row, plotColumns));
            if (delayMs > 0) waitStep(delayMs, stopping);
            const auto now = Clock::now();
            if (now - lastFlush >= flushEvery || output.pending() + plotData.pending() > kMaxPending) {
                output.flush(options.fileMessages);
                plotData.flush(options.fileMessages);
                lastFlush = now;
            }
            return !stopping();
        });

    if (sim.ready() && sim.results().rowCount() > 0) {
        const bool outputOpen = output.open(), plotOpen = plotData.open();
        output.add(outputTail(sim, options));
        output.close(options.fileMessages);
        plotData.close(options.fileMessages);
        if (outputOpen) options.notes.push_back("Output file: " + paths.output);
        if (plotOpen) options.notes.push_back("Plot data:   " + paths.plot);
    } else {
        // Results of an earlier run must not pass for results of this deck.
        std::vector<std::string> note{"No results: the run found errors; see the listing " + listing + "."};
        writeFile(paths.output, note, options.fileMessages);
        if (!paths.plot.empty()) fs::remove(fs::path(paths.plot), ec);
    }

    listingFile.add(listingSummary(deck, &sim, options));
    listingFile.close(listingFailure);
    if (!listingFailure.empty()) {
        console << "KALVEX32: " << listingFailure.front().text << "\n";
        return kExitNotRun;
    }
    const int errors = errorCount(deck, &sim, options);
    if (status || errors > 0)
        console << "KALVEX32: " << errors << (errors == 1 ? " error" : " errors") << "; listing " << listing << "\n";
    return errors > 0 ? kExitDeckErrors : kExitOk;
}

}  // namespace kalvex
