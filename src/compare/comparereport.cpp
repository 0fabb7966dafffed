#include "compare/comparereport.h"

#include <cerrno>
#include <sys/stat.h>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "compare/bandplot.h"

namespace cmp {

namespace {

std::string html(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string csv(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void makeFolder(const std::string& dir) {
    std::string at;
    for (std::size_t i = 0; i <= dir.size(); ++i) {
        if (i == dir.size() || (dir[i] == '/' && i > 0)) {
            at = dir.substr(0, i);
            struct stat st {};
            if (::stat(at.c_str(), &st) == 0) {
                if (!S_ISDIR(st.st_mode)) {
                    errno = ENOTDIR;
                    throw pal::IoError::fromErrno(at);
                }
            } else if (::mkdir(at.c_str(), 0777) != 0 && errno != EEXIST) {
                throw pal::IoError::fromErrno(at);
            }
        }
    }
}

}  // namespace

ReportWriter::ReportWriter(std::string dir, ImageWriter images, const CompareOptions& options, std::string reference,
                           std::string candidate)
    : dir_(std::move(dir)), write_(std::move(images)), options_(options), reference_(std::move(reference)),
      candidate_(std::move(candidate)) {
    makeFolder(dir_);
}

std::string ReportWriter::imageName(const std::string& file, const std::string& variable) {
    std::string base = file + "_" + variable;
    for (char& c : base)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-'))
            c = '_';
    std::string name = base + ".png";
    for (int n = 2; taken_.count(name); ++n) name = base + "-" + std::to_string(n) + ".png";
    taken_.insert(name);
    return name;
}

void ReportWriter::add(const FileResult& r) {
    ++files_;
    if (r.differs() || r.outcome == FileResult::Outcome::Failed) ++differing_;
    const auto fileRow = [&](std::string note) {
        Row row;
        row.file = r.name;
        row.status = statusText(r.status());
        row.note = std::move(note);
        row.bad = severity(r.status()) >= severity(Status::Missing) && r.outcome != FileResult::Outcome::OnlyCandidate;
        rows_.push_back(std::move(row));
    };
    switch (r.outcome) {
    case FileResult::Outcome::Failed: return fileRow("not compared: " + r.error);
    case FileResult::Outcome::OnlyReference: return fileRow("only in the reference");
    case FileResult::Outcome::OnlyCandidate: return fileRow("only in the new results (not compared)");
    case FileResult::Outcome::Compared: break;
    }
    if (r.text) {
        const TextSummary& t = *r.text;
        fileRow(std::to_string(t.differences) + (t.differences == 1 ? " difference" : " differences") + ", " +
                std::to_string(t.closeLines) + " lines equal within the tolerance; " + std::to_string(t.leftLines) +
                " lines in the reference, " + std::to_string(t.rightLines) + " in the new file");
        for (const std::string& line : resultLines(r)) {
            Row row;
            row.file = r.name;
            row.status = statusText(Status::Differs);
            row.note = line.substr(std::min(line.size(), r.name.size()));
            row.bad = true;
            rows_.push_back(std::move(row));
        }
        return;
    }
    const PlotComparison& p = *r.plot;
    if (!p.notes.empty()) {
        std::string notes;
        for (const std::string& n : p.notes) notes += (notes.empty() ? "" : " ") + n;
        fileRow(notes);
    }
    for (const VariableResult& v : p.variables) {
        Row row;
        row.file = r.name;
        row.variable = v.name;
        row.status = statusText(v.status);
        row.note = v.note;
        row.bad = severity(v.status) >= severity(Status::Missing);
        if (v.status != Status::Missing) {
            row.largestAbs = numberText(v.maxAbs);
            row.atX = numberText(v.maxAbsX);
            row.largestRel = numberText(v.maxRel, 3);
            row.pointsOutside = std::to_string(v.pointsOutside);
            if (v.firstOutside) row.firstOutside = numberText(*v.firstOutside);
        }
        if (v.status == Status::Differs || v.status == Status::Missing) {
            row.image = imageName(r.name, v.name);
            write_(bandPlot(p, v), pal::joinPath(dir_, row.image));
            images_.push_back(row.image);
        }
        rows_.push_back(std::move(row));
    }
}

void ReportWriter::finish(int exitCode) {
    const char* verdict = exitCode == 0 ? "Everything compared is within the tolerance."
                          : exitCode == 1 ? "Some results differ."
                                          : "Some files could not be compared.";
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Comparison of results</title>\n"
        "<style>body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
        "td,th{border:1px solid #bbb;padding:3px 8px;text-align:left;vertical-align:top}"
        "th{background:#eee}tr.bad td{background:#fde8e8}td.n{text-align:right;font-family:monospace}"
        "img{max-width:900px;border:1px solid #ccc;margin:0.5em 0}</style></head><body>\n";
    page += "<h1>Comparison of results</h1>\n<p>Reference: <code>" + html(reference_) + "</code><br>New: <code>" +
            html(candidate_) + "</code><br>Tolerance: a value differs where |new &minus; ref| &gt; max(" +
            html(numberText(options_.tolerance.abs, 3)) + ", " + html(numberText(options_.tolerance.rel, 3)) +
            " &middot; |ref|)</p>\n<p><b>" + verdict + "</b> " + std::to_string(differing_) + " of " +
            std::to_string(files_) + (files_ == 1 ? " file" : " files") + " differ or could not be compared.</p>\n";
    page += "<table><tr><th>File</th><th>Variable</th><th>Status</th><th>Largest difference</th><th>at X</th>"
            "<th>Largest relative</th><th>First X outside</th><th>Points outside</th><th>Note</th></tr>\n";
    for (const Row& r : rows_) {
        page += r.bad ? "<tr class=\"bad\">" : "<tr>";
        page += "<td>" + html(r.file) + "</td><td>" +
                (r.image.empty() ? html(r.variable) : "<a href=\"#" + html(r.image) + "\">" + html(r.variable) + "</a>") +
                "</td><td>" + html(r.status) + "</td><td class=\"n\">" + html(r.largestAbs) + "</td><td class=\"n\">" +
                html(r.atX) + "</td><td class=\"n\">" + html(r.largestRel) + "</td><td class=\"n\">" +
                html(r.firstOutside) + "</td><td class=\"n\">" + html(r.pointsOutside) + "</td><td>" + html(r.note) +
                "</td></tr>\n";
    }
    page += "</table>\n";
    for (const Row& r : rows_)
        if (!r.image.empty())
            page += "<h2 id=\"" + html(r.image) + "\">" + html(r.file + " " + r.variable) + " (" + html(r.status) +
                    ")</h2>\n<img src=\"" + html(r.image) + "\" alt=\"" + html(r.variable) + "\">\n";
    page += "</body></html>\n";

    std::string table = "file,variable,status,largest_difference,x_of_largest,largest_relative,first_x_outside,"
                        "points_outside,plot,note\r\n";
    for (const Row& r : rows_)
        table += csv(r.file) + "," + csv(r.variable) + "," + csv(r.status) + "," + csv(r.largestAbs) + "," + csv(r.atX) +
                 "," + csv(r.largestRel) + "," + csv(r.firstOutside) + "," + csv(r.pointsOutside) + "," + csv(r.image) +
                 "," + csv(r.note) + "\r\n";
    pal::replaceFile(pal::joinPath(dir_, "summary.csv"), table);
    pal::replaceFile(pal::joinPath(dir_, "index.html"), page);
}

}  // namespace cmp
