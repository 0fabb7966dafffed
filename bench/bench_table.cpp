// The largest run table (99 runs of 25 variables) over a 5,000-line deck: the
// run decks of every run, the table file written and read, and a copy and paste
// of the whole table.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/textfile.h"
#include "table/rundecks.h"
#include "table/tablefile.h"

namespace {

double medianMs(int repeats, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / "bench_table_run";
    std::filesystem::create_directories(dir);
    const std::string deck = (dir / "BIG.DCK").string();
    std::vector<std::string> lines = {"ASSIGN BIG.LST 6", "ASSIGN BIG.PLT 12", "CONSTANTS 25"};
    std::vector<std::string> names;
    for (int j = 0; j < 25; ++j) {
        names.push_back("VAR" + std::to_string(j));
        lines.push_back(names.back() + " = " + std::to_string(j) + " ! a constant");
    }
    lines.push_back("EQUATIONS 4970");
    for (int i = 0; i < 4970; ++i) lines.push_back("Y" + std::to_string(i) + " = VAR1 * TIME + " + std::to_string(i));
    lines.push_back("END");
    pal::writeLinesCRLF(deck, lines);

    table::TableData t(deck, names, table::kMaxRuns);
    for (int j = 1; j <= 25; ++j)
        for (int r = 1; r <= table::kMaxRuns; ++r) t.setValue(j, r, j * 1000.0L + r);

    const double decks = medianMs(5, [&] { table::writeRunDecks(t); });
    const std::string tbl = (dir / "BIG.TBL").string();
    const double save = medianMs(20, [&] { table::writeTableFile(tbl, t, {}); });
    const double read = medianMs(20, [&] { table::readTableFile(tbl); });
    const std::string all = t.copyText({1, 1, 25, table::kMaxRuns});
    const double copy = medianMs(20, [&] { (void)t.copyText({1, 1, 25, table::kMaxRuns}); });
    const double paste = medianMs(20, [&] { t.paste(all, 1, 1); });
    std::printf("table: 99 run decks of a 5000-line deck %.1f ms; .TBL write %.2f ms, read %.2f ms; "
                "copy %.2f ms, paste %.2f ms of %zu bytes\n",
                decks, save, read, copy, paste, all.size());

    // One run deck of a deck of 16,000 constants, every one of them a table
    // variable: each line's name is looked up once.
    std::vector<std::string> wide = {"CONSTANTS 16000"}, wideNames, wideValues;
    for (int j = 0; j < 16000; ++j) {
        wideNames.push_back("C" + std::to_string(j));
        wideValues.push_back(std::to_string(j) + ".5");
        wide.push_back(wideNames.back() + " = " + std::to_string(j));
    }
    wide.push_back("END");
    const double wideDeck = medianMs(3, [&] { (void)table::runDeckLines(wide, deck, 2, wideNames, wideValues); });
    std::printf("table: one run deck of 16000 variables over 16000 lines %.1f ms\n", wideDeck);
    std::filesystem::remove_all(dir);
    return 0;
}
