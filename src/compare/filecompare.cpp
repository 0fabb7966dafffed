#include "compare/filecompare.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/bytes.h"
#include "plot/plotdata.h"

namespace cmp {

namespace {

std::string nameOf(const std::string& path) { return pal::fileNamePart(path); }

std::string clip(std::string text, std::size_t most = 60) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.pop_back();
    if (text.size() > most) text = text.substr(0, most - 3) + "...";
    return text;
}

std::vector<std::string> regularFiles(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) throw pal::IoError::fromErrno(dir);
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st {};
        if (::stat(pal::joinPath(dir, n).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

FileKind fileKindOf(const std::string& path) {
    try {
        plot::PlotDataStream in(path);
        std::vector<std::vector<double>> rows;
        while (in.rowsRead() == 0 && in.next(rows, 1)) {
        }
        return in.columnCount() > 0 && in.rowsRead() > 0 ? FileKind::PlotData : FileKind::Text;
    } catch (const pal::IoError& e) {
        // A file that cannot be opened is reported as such; one the plot data
        // reader refuses is text.
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) throw;
        return FileKind::Text;
    }
}

TextSummary summarizeText(TextComparison& comparison, std::size_t most) {
    comparison.runToEnd();
    TextSummary s;
    s.differences = comparison.differenceCount();
    s.leftLines = comparison.leftIndex().lineCount();
    s.rightLines = comparison.rightIndex().lineCount();
    for (const TextBlock& b : comparison.blocks()) {
        if (b.kind == TextBlock::Close) s.closeLines += b.leftCount;
        if (b.kind != TextBlock::Changed || s.first.size() >= most) continue;
        TextDifference d{b.left, b.leftCount, b.right, b.rightCount, {}, {}, 0, 0};
        if (b.leftCount) d.leftText = comparison.leftLine(b.left);
        if (b.rightCount) d.rightText = comparison.rightLine(b.right);
        for (std::size_t k = 0; k < std::min(b.leftCount, b.rightCount) && k < 20; ++k) {
            const WordDifference w = wordDifference(comparison.leftLine(b.left + k), comparison.rightLine(b.right + k),
                                                    comparison.tolerance(), comparison.exact());
            d.largestAbs = std::max(d.largestAbs, w.largestAbs);
            d.largestRel = std::max(d.largestRel, w.largestRel);
        }
        s.first.push_back(std::move(d));
    }
    return s;
}

Status FileResult::status() const {
    switch (outcome) {
    case Outcome::Failed: return Status::NotComparable;
    case Outcome::OnlyReference:
    case Outcome::OnlyCandidate: return Status::Missing;
    case Outcome::Compared: break;
    }
    if (plot) {
        Status worst = Status::Identical;
        for (const VariableResult& v : plot->variables)
            if (severity(v.status) > severity(worst)) worst = v.status;
        if (plot->rangesDiffer && severity(worst) < severity(Status::Differs)) worst = Status::Differs;
        return worst;
    }
    if (text) return text->differences ? Status::Differs : text->closeLines ? Status::Within : Status::Identical;
    return Status::NotComparable;
}

FileResult compareFiles(const std::string& referencePath, const std::string& candidatePath, const CompareOptions& options) {
    FileResult r;
    r.name = nameOf(candidatePath.empty() ? referencePath : candidatePath);
    r.referencePath = referencePath;
    r.candidatePath = candidatePath;
    if (referencePath.empty() || candidatePath.empty()) {
        r.outcome = referencePath.empty() ? FileResult::Outcome::OnlyCandidate : FileResult::Outcome::OnlyReference;
        return r;
    }
    try {
        for (const std::string* p : {&referencePath, &candidatePath}) {
            struct stat st {};
            if (::stat(p->c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
                r.outcome = FileResult::Outcome::Failed;
                r.error = nameOf(*p) + " is empty: there is nothing to compare";
                return r;
            }
        }
        const FileKind a = fileKindOf(referencePath), b = fileKindOf(candidatePath);
        if (a != b) {
            r.outcome = FileResult::Outcome::Failed;
            r.error = (a == FileKind::PlotData ? nameOf(candidatePath) : nameOf(referencePath)) +
                      " is not plot data (or holds no rows of it), but " +
                      (a == FileKind::PlotData ? nameOf(referencePath) : nameOf(candidatePath)) +
                      " is: the files cannot be compared";
            return r;
        }
        r.kind = a;
        if (a == FileKind::PlotData) {
            r.plot = std::make_shared<PlotComparison>(
                comparePlotData(readPlotColumns(referencePath), readPlotColumns(candidatePath), options.tolerance));
        } else {
            TextComparison t(referencePath, candidatePath, options.tolerance, options.exactText);
            r.text = summarizeText(t);
        }
    } catch (const pal::IoError& e) {
        r.outcome = FileResult::Outcome::Failed;
        std::string where = e.path().empty() ? std::string() : nameOf(e.path()) + ": ";
        r.error = where + e.what();
    } catch (const NotComparable& e) {
        r.outcome = FileResult::Outcome::Failed;
        r.error = e.what();
    } catch (const std::bad_alloc&) {
        r.outcome = FileResult::Outcome::Failed;
        r.error = "Not enough memory to compare " + r.name;
    }
    return r;
}

std::vector<std::pair<std::string, std::string>> pairFolders(const std::string& referenceDir,
                                                             const std::string& candidateDir) {
    const std::vector<std::string> ref = regularFiles(referenceDir), cand = regularFiles(candidateDir);
    std::vector<bool> taken(cand.size(), false);
    std::vector<std::pair<std::string, std::string>> pairs;
    const auto findIn = [&](const std::string& name, bool ignoreCase) -> int {
        for (std::size_t i = 0; i < cand.size(); ++i)
            if (!taken[i] && (ignoreCase ? pal::upper(cand[i]) == pal::upper(name) : cand[i] == name))
                return static_cast<int>(i);
        return -1;
    };
    std::vector<int> partner(ref.size(), -1);
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < ref.size(); ++i)
            if (partner[i] < 0 && (partner[i] = findIn(ref[i], pass == 1)) >= 0) taken[std::size_t(partner[i])] = true;
    for (std::size_t i = 0; i < ref.size(); ++i)
        pairs.emplace_back(pal::joinPath(referenceDir, ref[i]),
                           partner[i] >= 0 ? pal::joinPath(candidateDir, cand[std::size_t(partner[i])]) : std::string());
    for (std::size_t i = 0; i < cand.size(); ++i)
        if (!taken[i]) pairs.emplace_back(std::string(), pal::joinPath(candidateDir, cand[i]));
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        return nameOf(a.first.empty() ? a.second : a.first) < nameOf(b.first.empty() ? b.second : b.first);
    });
    return pairs;
}

std::vector<FileResult> compareFolders(const std::string& referenceDir, const std::string& candidateDir,
                                       const CompareOptions& options, const std::function<void(FileResult&)>& each) {
    std::vector<FileResult> out;
    for (const auto& [ref, cand] : pairFolders(referenceDir, candidateDir)) {
        FileResult r = compareFiles(ref, cand, options);
        if (each) each(r);
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<std::string> resultLines(const FileResult& r) {
    std::vector<std::string> lines;
    switch (r.outcome) {
    case FileResult::Outcome::Failed: return {r.name + ": not compared: " + r.error};
    case FileResult::Outcome::OnlyReference: return {r.name + ": missing (only in the reference)"};
    case FileResult::Outcome::OnlyCandidate: return {r.name + ": only in the new results (not compared)"};
    case FileResult::Outcome::Compared: break;
    }
    if (r.plot) {
        const PlotComparison& p = *r.plot;
        if (p.rangesDiffer) lines.push_back(r.name + ": " + p.notes.back());
        for (const VariableResult& v : p.variables) {
            if (v.status == Status::Missing) {
                lines.push_back(r.name + " " + v.name + ": missing (" + v.note + ")");
            } else if (v.status == Status::Differs) {
                lines.push_back(r.name + " " + v.name + ": differs, largest difference " + numberText(v.maxAbs) + " at " +
                                p.xName + " = " + numberText(v.maxAbsX) + " (relative " + numberText(v.maxRel, 2) + "), " +
                                std::to_string(v.pointsOutside) + " of " + std::to_string(p.pointsCompared) +
                                " points outside the tolerance from " + p.xName + " = " + numberText(*v.firstOutside));
            }
        }
    } else if (r.text) {
        for (const TextDifference& d : r.text->first) {
            std::string line = r.name + ":" + std::to_string(d.left + 1);
            if (d.leftCount > 1) line += "-" + std::to_string(d.left + d.leftCount);
            line += " (new " + std::to_string(d.right + 1);
            if (d.rightCount > 1) line += "-" + std::to_string(d.right + d.rightCount);
            line += "): ";
            if (!d.rightCount)
                line += std::to_string(d.leftCount) + (d.leftCount == 1 ? " line" : " lines") + " only in the reference: \"" +
                        clip(d.leftText) + "\"";
            else if (!d.leftCount)
                line += std::to_string(d.rightCount) + (d.rightCount == 1 ? " line" : " lines") + " only in the new file: \"" +
                        clip(d.rightText) + "\"";
            else
                line += "\"" + clip(d.leftText) + "\" -> \"" + clip(d.rightText) + "\"";
            if (d.largestAbs > 0)
                line += " (largest difference " + numberText(d.largestAbs) + ", relative " + numberText(d.largestRel, 2) + ")";
            lines.push_back(std::move(line));
        }
        if (r.text->differences > r.text->first.size())
            lines.push_back(r.name + ": " + std::to_string(r.text->differences - r.text->first.size()) +
                            " more differences");
    }
    return lines;
}

int exitCode(const std::vector<FileResult>& results) {
    bool compared = false, differs = false;
    for (const FileResult& r : results) {
        if (r.outcome == FileResult::Outcome::Failed) return 2;
        compared = compared || r.outcome == FileResult::Outcome::Compared;
        differs = differs || r.differs();
    }
    if (!compared) return 2;
    return differs ? 1 : 0;
}

}  // namespace cmp
