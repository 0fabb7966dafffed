// Slurm's texts: the input is, NUL-separated, an sbatch answer, squeue lines,
// sacct lines, an exit-code file, and the paths and deck of a batch script
// (table, working directory, engine, deck path, deck bytes). The readers take
// any answer; task numbers come from the job's own lines; a script is written
// only for paths it can hold, and then every path stays on its own line and
// nothing but the deck copies follows a here-document's start.
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "run/slurmjob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto p = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 9);
    if (const auto id = run::parseJobId(p[0])) {
        FUZZ_CHECK(!id->empty() && id->size() <= 9);
        for (const auto& t : run::parseSqueue(p[1], *id)) FUZZ_CHECK(t.task >= 0);
        for (const auto& t : run::parseSacct(p[2], *id)) FUZZ_CHECK(t.task >= 0);
    }
    for (const auto& t : run::parseSqueue(p[1], "12")) FUZZ_CHECK(t.task >= 0 && t.task < 1000000000);
    (void)run::parseSacct(p[2], "12");
    (void)run::parseExitFile(p[3]);

    run::SlurmScriptInput in;
    in.tablePath = p[4];
    in.workDir = p[5];
    in.enginePath = p[6];
    in.decks = {p[7], p[7] + "1"};
    in.deckBytes = {p[8]};
    in.options.partition = p[5].substr(0, 8);
    in.switchesPath = p[6];
    in.switches = p[8];
    const auto problem = run::slurmScriptProblem(in);
    if (problem) {
        FUZZ_CHECK(problem->find('\n') == std::string::npos && problem->find('\r') == std::string::npos);
        return 0;
    }
    const std::string script = run::slurmScript(in);
    FUZZ_CHECK(script.find('\r') == std::string::npos && script.find('\0') == std::string::npos);
    // The header: a fixed number of lines, whatever the paths hold.
    const auto headerEnd = script.find("\nwrite_deck() {");
    FUZZ_CHECK(headerEnd != std::string::npos);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < headerEnd; ++i) lines += script[i] == '\n';
    FUZZ_CHECK(lines == 9 + (in.workDir.empty() ? 0 : 2));
    FUZZ_CHECK(script.find("\nengine=" + run::shellQuote(in.enginePath) + "\n") != std::string::npos);
    FUZZ_CHECK(script.find("\n1) deck=" + run::shellQuote(in.decks[0]) + " ;;\n") != std::string::npos);
    return 0;
}
