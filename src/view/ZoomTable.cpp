#include "view/ZoomTable.h"

#include <array>

namespace ZoomTable {

namespace {
constexpr std::array<qint64, StepCount> kScales = {500,   700,   1000,  1500,  2000,
                                                   3000,  5000,  7000,  10000, 15000,
                                                   20000, 30000, 50000, 70000, 100000};
}

qint64 scale(int step)
{
    return kScales.at(size_t(step));
}

QString text(int step)
{
    return QString::number(scale(step) / 100) + QLatin1Char('%');
}

} // namespace ZoomTable
