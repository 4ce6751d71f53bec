#include "dspmath/calibration_targets.h"

#include <algorithm>

#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"

namespace qb {
namespace {

constexpr std::array<TargetBand, kTargetBands> kTableA = {{
    {20, 6, 5},    {25, 6, 5},    {31, 6, 5},    {40, 5, 5},    {50, 5, 5},    {63, 4, 3},
    {80, 4, 1},    {100, 3, 5},   {125, 2, 5},   {160, 1, 5},   {194, 1, 1},   {250, 0, 5},
    {300, 0, 1},   {400, 0, 5},   {500, 0, 5},   {630, 0, 5},   {800, -3, 3},  {1000, 0, 5},
    {1250, -1, 3}, {1600, -2, 5}, {2000, -2, 5}, {2500, -2, 5}, {3150, -2, 5}, {4000, -2, 3},
    {5000, 0, 5},  {6300, 0, 5},  {8000, 0, 5},  {10000, 0, 3}, {12500, 0, 5}, {16000, 3, 1},
    {20000, 0, 5},
}};

constexpr std::array<TargetBand, kTargetBands> kTableB = {{
    {20, 6, 4},    {25, 6, 4},    {31, 6, 4},    {40, 5, 4},     {50, 5, 4},     {63, 4, 4},
    {80, 4, 4},    {100, 3, 4},   {125, 2, 4},   {160, 1, 4},    {200, 0, 4},    {250, 0, 4},
    {315, 0, 4},   {400, 0, 4},   {500, 0, 4},   {630, 0, 4},    {800, 0, 4},    {1000, 0, 4},
    {1250, 0, 4},  {1600, 0, 4},  {2000, 0, 4},  {2500, -1, 4},  {3150, -1, 4},  {4000, -2, 4},
    {5000, -2, 4}, {6300, -2, 4}, {8000, -2, 4}, {10000, -2, 4}, {12500, -3, 4}, {16000, -3, 4},
    {20000, -5, 4},
}};

}  // namespace

const std::array<TargetBand, kTargetBands>& TargetBands(TargetTable table) {
  return table == TargetTable::B ? kTableB : kTableA;
}

TargetTable TargetOfEqMode(int eqMode) { return eqMode == 1 ? TargetTable::B : TargetTable::A; }

double TargetDbAt(TargetTable table, double hz) {
  double sum = 0.0;
  for (const TargetBand& b : TargetBands(table)) {
    if (b.gainDb != 0.0) sum += PeakingDbAt(CurveSampleRate, b.freqHz, b.gainDb, b.q, hz);
  }
  return sum;
}

}  // namespace qb
