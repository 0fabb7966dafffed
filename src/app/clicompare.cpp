// palumaro --compare REF NEW: a regression check of results without a window.
// Two files or two folders of result files, each pair by its content; one
// line per difference on stdout, an HTML report with plots on request, and the
// exit code 0 (within the tolerance), 1 (differs) or 2 (not compared).
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <optional>

#include "app/cli.h"
#include "common/ioerror.h"
#include "compare/comparereport.h"
#include "compare/filecompare.h"
#include "plot/plotexport.h"
#include "shell/qtbytes.h"

namespace cli {

namespace {

double toleranceValue(const Options& o, const QString& name, double fallback) {
    const QString text = o.value(name);
    if (text.isEmpty()) return fallback;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0)
        throw Failure(QStringLiteral("--compare: %1 needs a number of 0 or more, not \"%2\"").arg(name, text), 2);
    return v;
}

int compareNow(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1String("--")))
        throw Failure(QStringLiteral("--compare needs a reference and a new file or folder (try --help)"), 2);
    const QString reference = arguments.first();
    if (arguments.size() < 2 || arguments[1].startsWith(QLatin1String("--")))
        throw Failure(QStringLiteral("--compare needs a new file or folder after %1").arg(reference), 2);
    const Options o = parseOptions(QStringLiteral("--compare"), arguments.mid(1),
                                   {QStringLiteral("--abs"), QStringLiteral("--rel"), QStringLiteral("--report")});
    const QString candidate = o.positional;
    cmp::CompareOptions options;
    options.tolerance.abs = toleranceValue(o, QStringLiteral("--abs"), options.tolerance.abs);
    options.tolerance.rel = toleranceValue(o, QStringLiteral("--rel"), options.tolerance.rel);

    const QFileInfo ri(reference), ci(candidate);
    for (const QFileInfo* f : {&ri, &ci})
        if (!f->exists()) throw Failure(QStringLiteral("%1: No such file or directory").arg(f->filePath()), 2);
    if (ri.isDir() != ci.isDir())
        throw Failure(QStringLiteral("--compare: %1 is a folder and %2 is not: give two files or two folders")
                          .arg(ri.isDir() ? reference : candidate, ri.isDir() ? candidate : reference),
                      2);

    std::optional<cmp::ReportWriter> report;
    if (const QString dir = o.value(QStringLiteral("--report")); !dir.isEmpty())
        report.emplace(
            toBytes(dir),
            [](const plot::PlotDocument& doc, const std::string& path) {
                plot::exportPlot(doc, plot::PlotView{}, plot::ExportFormat::Png, toQ(path));
            },
            options, toBytes(ri.absoluteFilePath()), toBytes(ci.absoluteFilePath()));

    const auto each = [&](cmp::FileResult& r) {
        for (const std::string& line : cmp::resultLines(r)) {
            if (r.outcome == cmp::FileResult::Outcome::Failed) std::fprintf(stderr, "palumaro: %s\n", line.c_str());
            else std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
        if (report) report->add(r);
        if (r.plot) {  // the values of one pair at a time; the findings stay
            r.plot->reference.reset();
            r.plot->candidate.reset();
        }
    };
    std::vector<cmp::FileResult> results;
    if (ri.isDir()) {
        results = cmp::compareFolders(toBytes(reference), toBytes(candidate), options, each);
        if (results.empty()) throw Failure(QStringLiteral("--compare: %1 and %2 hold no files").arg(reference, candidate), 2);
    } else {
        results.push_back(cmp::compareFiles(toBytes(reference), toBytes(candidate), options));
        each(results.back());
    }
    const int code = cmp::exitCode(results);
    if (report) report->finish(code);
    return code;
}

}  // namespace

int compareResults(const QStringList& arguments) {
    // Every failure is exit code 2: a check that did not compare never passes.
    try {
        return compareNow(arguments);
    } catch (const Failure& f) {
        throw Failure(QString::fromStdString(f.what()), 2);
    } catch (const pal::IoError& e) {
        QString text = toQ(e.userText());
        text.replace(QLatin1Char('\n'), QStringLiteral(": "));
        throw Failure(text, 2);
    } catch (const std::exception& e) {
        throw Failure(toQ(e.what()), 2);
    }
}

}  // namespace cli
