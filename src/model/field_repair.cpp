#include "model/field_repair.h"

#include "model/af_list.h"
#include "model/list_choice.h"

namespace zorvan {

namespace {

void repair(qint16 &field, int low, int high, qint16 fallback, const QString &key, QStringList &repaired)
{
    if (field >= low && field <= high)
        return;
    field = fallback;
    repaired << key;
}

// A flag is shown as "1" for any non-zero number, and -1 is the "true" of
// older files: any such value means on.
void repairFlag(qint16 &flag, const QString &key, QStringList &repaired)
{
    if (flag == 0 || flag == 1)
        return;
    flag = 1;
    repaired << key;
}

} // namespace

QStringList repairUnshowableFields(StationSettings &settings)
{
    const StationSettings defaults;
    QStringList repaired;
    repair(settings.CountryCode, 1, 15, defaults.CountryCode, QStringLiteral("CountryCode"), repaired);
    repair(settings.AreaCoverage, 0, 15, defaults.AreaCoverage, QStringLiteral("AreaCoverage"), repaired);
    repair(settings.ProgramReference, 0, 255, defaults.ProgramReference, QStringLiteral("ProgramReference"),
        repaired);
    repair(settings.ECC, 1, 5, defaults.ECC, QStringLiteral("ECC"), repaired);
    repair(settings.PTY, 0, 31, defaults.PTY, QStringLiteral("PTY"), repaired);
    // The flags go out as one digit each; any other number breaks the frame.
    repairFlag(settings.TP, QStringLiteral("TP"), repaired);
    repairFlag(settings.TA, QStringLiteral("TA"), repaired);
    repairFlag(settings.MS, QStringLiteral("MS"), repaired);
    repairFlag(settings.DId0, QStringLiteral("DId0"), repaired);
    repairFlag(settings.DId1, QStringLiteral("DId1"), repaired);
    repairFlag(settings.DId2, QStringLiteral("DId2"), repaired);
    repairFlag(settings.DId3, QStringLiteral("DId3"), repaired);
    for (std::size_t n = 0; n < settings.AF.size(); ++n)
        repair(settings.AF[n], 0, kAfEntryCount - 1, defaults.AF[n], QStringLiteral("AF%1").arg(n + 1),
            repaired);
    for (std::size_t i = 0; i < settings.PSDelay.size(); ++i)
        repair(settings.PSDelay[i], 0, kDelayEntryCount - 1, defaults.PSDelay[i],
            i == 0 ? QStringLiteral("PSDelay") : QStringLiteral("PSDelay%1").arg(i), repaired);
    repair(settings.AutoPSDelay, 0, kDelayEntryCount - 1, defaults.AutoPSDelay, QStringLiteral("AutoPSDelay"),
        repaired);
    repair(settings.SETTOSAMEDELAY, 0, kDelayEntryCount - 1, defaults.SETTOSAMEDELAY,
        QStringLiteral("SETTOSAMEDELAY"), repaired);
    return repaired;
}

} // namespace zorvan
