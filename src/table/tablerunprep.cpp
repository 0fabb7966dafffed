#include "table/tablerunprep.h"

#include <cstdio>

#include "common/ioerror.h"
#include "common/samefile.h"
#include "run/runplan.h"
#include "run/slurmjob.h"
#include "table/deckconstants.h"
#include "table/rundecks.h"
#include "table/tablefile.h"

namespace table {

FoundDeck findTableDeck(const std::string& stored, const std::string& tablePath, const std::string& programDir) {
    const std::string deck = resolveTableDeck(stored, tablePath, programDir);
    if (ScanDeckConstants(deck)) return {deck, true};
    const std::string beside = besideTableDeck(stored, tablePath);
    if (ScanDeckConstants(beside)) return {beside, true};
    return {beside, false};
}

namespace {

void removeDecks(const TableData& data) {
    for (int i = 1; i <= data.runs() && i < static_cast<int>(data.runDeckNames.size()); ++i)
        std::remove(data.runDeckNames[static_cast<std::size_t>(i)].c_str());
}

}  // namespace

PreparedRuns prepareRuns(TableData& data, bool sideBySide, const std::string& tablePath, bool slurm) {
    PreparedRuns out;
    std::vector<std::string> inputs{data.deckPath};
    if (!tablePath.empty()) inputs.push_back(tablePath);
    std::vector<std::string> runDecks;
    for (int i = 1; i <= data.runs(); ++i) runDecks.push_back(runDeckPath(data.deckPath, i));
    if (const auto refusal = pal::outputOverInput(inputs, runDecks)) {
        out.problem = PreparedRuns::Problem::OverInput;
        out.message = *refusal;
        return out;
    }
    try {
        const RunDeckOutcome written = writeRunDecks(data);
        if (written.failed) {
            removeDecks(data);
            out.problem = PreparedRuns::Problem::NotWritten;
            out.message = written.message;
            return out;
        }
        for (int i = 1; i <= data.runs(); ++i) out.decks.push_back(data.runDeckNames.at(static_cast<std::size_t>(i)));
        const run::TableRunPlan plan = run::planRuns(out.decks);
        if (sideBySide && !plan.clashes.empty()) {
            removeDecks(data);
            out.decks.clear();
            out.problem = PreparedRuns::Problem::Clash;
            out.message = run::clashMessage(plan.clashes);
            return out;
        }
        std::vector<std::string> results;
        for (const auto& r : plan.results) results.insert(results.end(), {r.listing, r.output, r.plot});
        if (slurm && !tablePath.empty()) {
            results.push_back(run::slurmScriptPath(tablePath));
            for (int t = 1; t <= static_cast<int>(out.decks.size()); ++t)
                results.insert(results.end(), {run::slurmExitPath(tablePath, t), run::slurmLogPath(tablePath, t)});
        }
        if (const auto refusal = pal::outputOverInput(inputs, results)) {
            removeDecks(data);
            out.decks.clear();
            out.problem = PreparedRuns::Problem::OverInput;
            out.message = *refusal;
            return out;
        }
        for (const auto& r : plan.results) out.listings.push_back(r.listing);
    } catch (const pal::IoError&) {
        removeDecks(data);
        throw;
    }
    return out;
}

}  // namespace table
