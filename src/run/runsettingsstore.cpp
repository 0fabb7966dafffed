#include "run/runsettingsstore.h"
#include "shell/qtbytes.h"

#include "common/configdir.h"
#include "common/settings.h"
#include "run/velmora.h"

#include <QSettings>

namespace run {

namespace {
QString q(const std::string& s) { return toQ(s); }
std::string b(const QVariant& v) { return toBytes(v.toString()); }
}  // namespace

QString runSettingsFile() { return toQ(pal::userConfigDir()) + QStringLiteral("/palumaro.conf"); }

TableRunSettings loadTableRunSettings() {
    QSettings f(runSettingsFile(), QSettings::IniFormat);
    TableRunSettings s;
    s.parallelRuns = f.value(QStringLiteral("TableRuns/ParallelRuns"), 0).toInt();
    if (s.parallelRuns < 0 || s.parallelRuns > 999) s.parallelRuns = 0;
    s.onSlurm = f.value(QStringLiteral("TableRuns/RunOn")).toString() == QLatin1String("slurm");
    s.slurm.partition = b(f.value(QStringLiteral("Slurm/Partition")));
    s.slurm.timeLimit = b(f.value(QStringLiteral("Slurm/TimeLimit")));
    s.slurm.memory = b(f.value(QStringLiteral("Slurm/MemoryPerRun")));
    s.slurm.extraArgs = b(f.value(QStringLiteral("Slurm/ExtraArguments")));
    s.slurm.enginePath = b(f.value(QStringLiteral("Slurm/EnginePath")));
    return s;
}

bool storeTableRunSettings(const TableRunSettings& s) {
    QSettings f(runSettingsFile(), QSettings::IniFormat);
    f.setValue(QStringLiteral("TableRuns/ParallelRuns"), s.parallelRuns);
    f.setValue(QStringLiteral("TableRuns/RunOn"), s.onSlurm ? QStringLiteral("slurm") : QStringLiteral("local"));
    f.setValue(QStringLiteral("Slurm/Partition"), q(s.slurm.partition));
    f.setValue(QStringLiteral("Slurm/TimeLimit"), q(s.slurm.timeLimit));
    f.setValue(QStringLiteral("Slurm/MemoryPerRun"), q(s.slurm.memory));
    f.setValue(QStringLiteral("Slurm/ExtraArguments"), q(s.slurm.extraArgs));
    f.setValue(QStringLiteral("Slurm/EnginePath"), q(s.slurm.enginePath));
    f.sync();
    return f.status() == QSettings::NoError;
}

SettingsReading readProgramSettings() {
    SettingsReading out;
    auto& app = pal::app();
    const auto path = pal::findSettingsFile(app.programDir, pal::kDftName);
    if (!path) {
        out.missing = "Please copy the PALUMARO.DFT file into the " + app.programDir + " directory.";
        return out;
    }
    try {
        app.settings = pal::readDFTFile(*path);
    } catch (const pal::IoError& e) {
        // The program goes on with the defaults; Store writes a good file again.
        out.damaged = e;
        app.settings = pal::shippedSettings(app.programDir);
    }
    app.velmora = readVelmoraSwitch(app.programDir);
    tableRunSettings() = loadTableRunSettings();
    return out;
}

}  // namespace run
