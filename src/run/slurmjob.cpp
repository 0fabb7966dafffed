#include "run/slurmjob.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <sstream>

#include "common/bytes.h"
#include "common/settings.h"
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

std::string sbatchQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

namespace {

// A line break ends a line of the script; a NUL byte ends the script for sbatch.
bool breaksLine(const std::string& s) { return s.find_first_of(std::string("\n\r\0", 3)) != std::string::npos; }

// Where Slurm writes a task's messages, as an --output pattern: beside the
// table, relative to the working directory when the table lies there, and
// every "%" doubled so that only %a is Slurm's.
std::string logPattern(const SlurmScriptInput& in) {
    const std::string base = tableBase(in.tablePath);
    std::string path = pal::directoryPart(base) == in.workDir ? pal::fileNamePart(base) : base;
    std::string out;
    for (char c : path) out += c == '%' ? std::string("%%") : std::string(1, c);
    return out + ".slurm-%a.log";
}

// The job's name: the table's file name in letters, digits, "." "_" "-".
std::string jobName(const std::string& tablePath) {
    std::string name = pal::fileNamePart(tableBase(tablePath));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
    return name.empty() ? std::string("table") : name;
}

// A here-document delimiter that stands alone on no line of the texts.
std::string delimiterFor(const std::vector<std::string>& texts) {
    std::string word = kDeckEnd;
    for (int n = 1;; ++n) {
        bool used = false;
        for (const std::string& t : texts)
            for (const std::string& line : splitLines(t)) used = used || line == word;
        if (!used) return word;
        word = std::string(kDeckEnd) + "_" + std::to_string(n);
    }
}

}  // namespace

std::optional<std::string> slurmScriptProblem(const SlurmScriptInput& in) {
    // The message stays one line: line breaks are shown as \n and \r.
    const auto shown = [](const std::string& text) {
        std::string out;
        for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
        return out;
    };
    const auto lineBreak = [&shown](const std::string& what, const std::string& text) {
        return what + " " + shown(text) + " holds a line break, which a batch script cannot hold safely; rename it";
    };
    if (breaksLine(in.tablePath)) return lineBreak("the table's path", in.tablePath);
    if (breaksLine(in.workDir)) return lineBreak("the working directory", in.workDir);
    if (breaksLine(in.enginePath)) return lineBreak("the engine's path", in.enginePath);
    for (const std::string& d : in.decks)
        if (breaksLine(d)) return lineBreak("the run deck", d);
    if (in.switches && breaksLine(in.switchesPath)) return lineBreak("the engine switches file", in.switchesPath);
    for (const std::string* o : {&in.options.partition, &in.options.timeLimit, &in.options.memory})
        if (breaksLine(*o)) return "the Slurm option \"" + shown(*o) + "\" holds a line break; correct it in the setup";
    if (logPattern(in).find('\\') != std::string::npos)
        return "the table's path " + in.tablePath +
               " holds a backslash, which Slurm's log-file names cannot hold; rename it";
    // Lines end in LF or CR LF; a NUL or a CR elsewhere cannot be carried.
    const auto uncarried = [](const std::string& b) {
        for (std::size_t k = 0; k < b.size(); ++k)
            if (b[k] == '\0' || (b[k] == '\r' && (k + 1 >= b.size() || b[k + 1] != '\n'))) return true;
        return false;
    };
    for (std::size_t i = 0; i < in.deckBytes.size() && i < in.decks.size(); ++i)
        if (uncarried(in.deckBytes[i]))
            return "the run deck " + in.decks[i] + " holds a NUL byte or a lone carriage return, which a batch "
                   "script cannot carry";
    if (in.switches && uncarried(*in.switches))
        return "the engine switches file " + in.switchesPath + " holds a NUL byte or a lone carriage return, which "
               "a batch script cannot carry to the nodes";
    return std::nullopt;
}

std::string slurmScript(const SlurmScriptInput& in) {
    if (const auto problem = slurmScriptProblem(in)) throw std::invalid_argument(*problem);
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
    s += "#SBATCH --job-name=" + jobName(in.tablePath) + "\n";
    s += "#SBATCH --array=" + range + "\n";
    s += "#SBATCH --output=" + sbatchQuote(logPattern(in)) + "\n";
    if (!in.workDir.empty()) s += "#SBATCH --chdir=" + sbatchQuote(in.workDir) + "\n";
    if (!in.options.partition.empty()) s += "#SBATCH --partition=" + sbatchQuote(in.options.partition) + "\n";
    if (!in.options.timeLimit.empty()) s += "#SBATCH --time=" + sbatchQuote(in.options.timeLimit) + "\n";
    if (!in.options.memory.empty()) s += "#SBATCH --mem=" + sbatchQuote(in.options.memory) + "\n";
    std::vector<std::string> copies(in.deckBytes.begin(),
                                    in.deckBytes.begin() + std::min<std::ptrdiff_t>(runs, std::ssize(in.deckBytes)));
    std::vector<std::string> texts = copies;
    if (in.switches) texts.push_back(*in.switches);
    const std::string end = delimiterFor(texts);
    s += "\nwrite_deck() {\n  case \"$1\" in\n";
    for (int i = 0; i < static_cast<int>(copies.size()); ++i) {
        s += "  " + std::to_string(i + 1) + ") cat <<'" + end + "'\n";
        // sbatch refuses scripts with CR LF line ends: the copy holds LF, and
        // the task puts the deck's CR LF back when it writes the deck.
        for (const std::string& line : splitLines(copies[std::size_t(i)])) s += line + "\n";
        s += end + "\n  ;;\n";
    }
    s += "  esac\n}\n";
    if (in.switches) {
        s += "\n# The engine switches of " + in.switchesPath + " when the job was written.\n";
        s += "write_switches() {\n  cat <<'" + end + "'\n";
        for (const std::string& line : splitLines(*in.switches)) s += line + "\n";
        s += end + "\n}\n";
    }
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
    if (in.switches) {
        s += "switches=$(mktemp \"${TMPDIR:-/tmp}/palumaro-switches.XXXXXX\") || exit 2\n";
        s += "write_switches | LC_ALL=C awk '{ printf \"%s\\r\\n\", $0 }' > \"$switches\" || exit 2\n";
        s += std::string(pal::kSwitchesVariable) + "=$switches\n";
        s += "export " + std::string(pal::kSwitchesVariable) + "\n";
    } else {
        s += "unset " + std::string(pal::kSwitchesVariable) + "\n";
    }
    // scancel and the time limit send SIGTERM to this script. The engine runs
    // in the background, as the leader of a process group of its own, so that
    // the trap fires at once and ends the engine and whatever it started,
    // found by process group and not by name; an engine that does not end is
    // killed a little later.
    s += "engine_pid=\n";
    s += "watchdog=\n";
    s += "ending=\n";
    s += "stop_engine() {\n";
    s += "  kill -TERM -\"$engine_pid\" 2>/dev/null || kill -TERM \"$engine_pid\" 2>/dev/null\n";
    s += "  { sleep 5; kill -KILL -\"$engine_pid\" 2>/dev/null || kill -KILL \"$engine_pid\" 2>/dev/null; } &\n";
    s += "  watchdog=$!\n";
    s += "}\n";
    s += "end_engine() {\n";
    s += "  trap '' TERM INT HUP\n";
    s += "  ending=yes\n";
    s += "  [ -n \"$engine_pid\" ] && stop_engine\n";
    s += "}\n";
    s += "trap end_engine TERM INT HUP\n";
    s += "start=$(date +%s)\n";
    s += "if command -v setsid >/dev/null 2>&1; then\n";
    s += "  setsid -w \"$engine\" \"$deck\" /N &\n";
    s += "else\n";
    s += "  \"$engine\" \"$deck\" /N &\n";
    s += "fi\n";
    s += "engine_pid=$!\n";
    s += "[ -n \"$ending\" ] && [ -z \"$watchdog\" ] && stop_engine\n";
    s += "while :; do\n";
    s += "  wait \"$engine_pid\"\n";
    s += "  code=$?\n";
    s += "  kill -0 \"$engine_pid\" 2>/dev/null || break\n";
    s += "done\n";
    s += "[ -n \"$watchdog\" ] && kill -KILL \"$watchdog\" 2>/dev/null\n";
    s += "end=$(date +%s)\n";
    s += "printf '%s %s %s %s\\n' \"$code\" \"${SLURMD_NODENAME:-$(hostname)}\" \"$start\" \"$end\" > \"$exitfile.part\" &&\n";
    s += "  mv -f \"$exitfile.part\" \"$exitfile\"\n";
    s += "[ -n \"$made\" ] && rm -f \"$deck\"\n";
    if (in.switches) s += "rm -f \"$switches\"\n";
    s += "exit $code\n";
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
