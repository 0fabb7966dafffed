#include "run/slurmjob.h"

#include <cstdlib>
#include <sstream>

#include "common/bytes.h"
#include "run/commandline.h"

namespace run {

namespace {

std::string tableBase(const std::string& tablePath) { return pal::baseName(tablePath); }

// The here-document delimiter: run decks are upper case, so a lower-case word
// never stands alone on one of their lines.
constexpr const char* kDeckEnd = "palumaro_end_of_run_deck";

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            out.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) out.push_back(line);
    return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep)) out.push_back(part);
    if (!s.empty() && s.back() == sep) out.emplace_back();
    return out;
}

bool parseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    out = std::atoi(s.c_str());
    return true;
}

// "4", "[5-8%2]", "[1,3-4]" -> task numbers.
std::vector<int> taskNumbers(std::string ranges) {
    std::vector<int> out;
    if (!ranges.empty() && ranges.front() == '[') {
        ranges = ranges.substr(1, ranges.find(']') == std::string::npos ? std::string::npos : ranges.find(']') - 1);
        ranges = ranges.substr(0, ranges.find('%'));
    }
    for (const std::string& part : split(ranges, ',')) {
        const auto dash = part.find('-');
        int a = 0, b = 0;
        if (dash == std::string::npos) {
            if (parseInt(part, a)) out.push_back(a);
        } else if (parseInt(part.substr(0, dash), a) && parseInt(part.substr(dash + 1), b) && a <= b && b - a < 100000) {
            for (int t = a; t <= b; ++t) out.push_back(t);
        }
    }
    return out;
}

std::string firstWord(const std::string& s) {
    const std::string t = pal::trim(s);
    return t.substr(0, t.find(' '));
}

}  // namespace

std::string slurmScriptPath(const std::string& tablePath) { return tableBase(tablePath) + ".slurm.sh"; }
std::string slurmExitPath(const std::string& tablePath, int task) {
    return tableBase(tablePath) + ".slurm-" + std::to_string(task) + ".exit";
}
std::string slurmLogPath(const std::string& tablePath, int task) {
    return tableBase(tablePath) + ".slurm-" + std::to_string(task) + ".log";
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string slurmScript(const SlurmScriptInput& in) {
    const int runs = static_cast<int>(in.decks.size());
    const std::string range = "1-" + std::to_string(runs);
    const std::string base = tableBase(in.tablePath);
    const std::string name = pal::fileNamePart(base);
    std::string s;
    s += "#!/bin/sh\n";
    s += "# Run table " + in.tablePath + ": " + std::to_string(runs) + (runs == 1 ? " run" : " runs") +
         ", one task of this job array each.\n";
    s += "# Task N runs the engine on the run deck of run N with /N and writes \"exit-code node start end\"\n";
    s += "# to " + name + ".slurm-N.exit beside the table; Slurm's own messages go to " + name + ".slurm-N.log.\n";
    s += "# A task whose run deck is gone writes it from the copy at the end of this script,\n";
    s += "# so the table can be run again by hand:  sbatch " + shellQuote(slurmScriptPath(in.tablePath)) + "\n";
    s += "#SBATCH --job-name=" + (name.empty() ? std::string("table") : name) + "\n";
    s += "#SBATCH --array=" + range + "\n";
    s += "#SBATCH --output=" + base + ".slurm-%a.log\n";
    if (!in.workDir.empty()) s += "#SBATCH --chdir=" + in.workDir + "\n";
    if (!in.options.partition.empty()) s += "#SBATCH --partition=" + in.options.partition + "\n";
    if (!in.options.timeLimit.empty()) s += "#SBATCH --time=" + in.options.timeLimit + "\n";
    if (!in.options.memory.empty()) s += "#SBATCH --mem=" + in.options.memory + "\n";
    s += "\nengine=" + shellQuote(in.enginePath) + "\n";
    s += "case \"$SLURM_ARRAY_TASK_ID\" in\n";
    for (int i = 0; i < runs; ++i) s += std::to_string(i + 1) + ") deck=" + shellQuote(in.decks[std::size_t(i)]) + " ;;\n";
    s += "*) echo \"This table has no run $SLURM_ARRAY_TASK_ID.\" >&2; exit 2 ;;\n";
    s += "esac\n";
    s += "exitfile=" + shellQuote(base + ".slurm-") + "\"$SLURM_ARRAY_TASK_ID\"'.exit'\n";
    s += "made=\n";
    s += "if [ ! -f \"$deck\" ]; then\n";
    s += "  made=yes\n";
    s += "  write_deck \"$SLURM_ARRAY_TASK_ID\" | LC_ALL=C awk '{ printf \"%s\\r\\n\", $0 }' > \"$deck\" || exit 2\n";
    s += "fi\n";
    s += "start=$(date +%s)\n";
    s += "\"$engine\" \"$deck\" /N\n";
    s += "code=$?\n";
    s += "end=$(date +%s)\n";
    s += "printf '%s %s %s %s\\n' \"$code\" \"${SLURMD_NODENAME:-$(hostname)}\" \"$start\" \"$end\" > \"$exitfile.part\" &&\n";
    s += "  mv -f \"$exitfile.part\" \"$exitfile\"\n";
    s += "[ -n \"$made\" ] && rm -f \"$deck\"\n";
    s += "exit $code\n";
    std::string decks = "\nwrite_deck() {\n  case \"$1\" in\n";
    for (int i = 0; i < runs && i < static_cast<int>(in.deckBytes.size()); ++i) {
        decks += "  " + std::to_string(i + 1) + ") cat <<'" + kDeckEnd + "'\n";
        // sbatch refuses scripts with CR LF line ends: the copy holds LF, and
        // the task puts the deck's CR LF back when it writes the deck.
        for (const std::string& line : splitLines(in.deckBytes[std::size_t(i)])) decks += line + "\n";
        decks += std::string(kDeckEnd) + "\n  ;;\n";
    }
    decks += "  esac\n}\n";
    // sh runs the file as it reads it: the function that holds the copies is
    // defined before the commands that call it.
    const auto at = s.find("\nengine=");
    s.insert(at, decks);
    return s;
}

std::vector<std::string> sbatchArguments(const SlurmOptions& options, int runs, const std::string& scriptPath) {
    std::vector<std::string> a{"--parsable", "--array=1-" + std::to_string(runs)};
    for (const std::string& w : splitWords(options.extraArgs)) a.push_back(w);
    a.push_back(scriptPath);
    return a;
}

std::vector<std::string> squeueArguments(const std::string& jobId) {
    return {"--noheader", "--array", "--jobs=" + jobId, "--format=%i|%T|%N|%r"};
}

std::vector<std::string> sacctArguments(const std::string& jobId) {
    return {"--noheader", "--parsable2", "--jobs=" + jobId, "--format=JobID,State,ExitCode,NodeList"};
}

std::vector<std::string> scancelArguments(const std::string& jobId, bool pendingOnly) {
    if (pendingOnly) return {"--state=PENDING", jobId};
    return {jobId};
}

std::optional<std::string> parseJobId(const std::string& sbatchOutput) {
    for (const std::string& line : splitLines(sbatchOutput)) {
        const std::string id = pal::trim(line.substr(0, line.find(';')));
        int n = 0;
        if (parseInt(id, n)) return id;
    }
    return std::nullopt;
}

std::vector<SlurmTaskState> parseSqueue(const std::string& text, const std::string& jobId) {
    std::vector<SlurmTaskState> out;
    const std::string prefix = jobId + "_";
    for (const std::string& line : splitLines(text)) {
        const std::vector<std::string> f = split(pal::trim(line), '|');
        if (f.size() < 2 || f[0].rfind(prefix, 0) != 0) continue;
        for (int t : taskNumbers(f[0].substr(prefix.size())))
            out.push_back({t, pal::upper(pal::trim(f[1])), f.size() > 2 ? pal::trim(f[2]) : std::string(),
                           f.size() > 3 ? pal::trim(f[3]) : std::string()});
    }
    return out;
}

std::vector<SlurmTaskState> parseSacct(const std::string& text, const std::string& jobId) {
    std::vector<SlurmTaskState> out;
    const std::string prefix = jobId + "_";
    for (const std::string& line : splitLines(text)) {
        const std::vector<std::string> f = split(pal::trim(line), '|');
        if (f.size() < 3 || f[0].rfind(prefix, 0) != 0 || f[0].find('.') != std::string::npos) continue;
        for (int t : taskNumbers(f[0].substr(prefix.size())))
            out.push_back({t, pal::upper(firstWord(f[1])), f.size() > 3 ? pal::trim(f[3]) : std::string(),
                           pal::trim(f[2])});
    }
    return out;
}

std::optional<TaskExit> parseExitFile(const std::string& text) {
    std::istringstream in(text);
    TaskExit e;
    std::string code;
    if (!(in >> code)) return std::nullopt;
    int n = 0;
    const bool negative = !code.empty() && code[0] == '-';
    if (!parseInt(negative ? code.substr(1) : code, n)) return std::nullopt;
    e.code = negative ? -n : n;
    in >> e.node >> e.start >> e.end;
    return e;
}

}  // namespace run
