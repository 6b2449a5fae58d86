#pragma once

#include <QString>

// The fifteen zoom steps of the view; step 8 is 100%.
namespace ZoomTable {

constexpr int StepCount = 15;
constexpr int ActualSizeStep = 8;
constexpr int LastStep = StepCount - 1;

// Scale of a step in ten-thousandths of the natural size.
qint64 scale(int step);
// The text of a step, such as "70%".
QString text(int step);

} // namespace ZoomTable
