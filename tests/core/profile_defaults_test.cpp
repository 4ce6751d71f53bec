// Band reset tables and the crossover each role starts with.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <vector>

#include "core/profile.h"
#include "core/profile_defaults.h"

namespace qb {
namespace {

const std::vector<int> kOctaves{20, 40, 80, 160, 315, 630, 1250, 2500, 5000, 10000, 20000};
const std::vector<int> kHalfOctaves{20,   28,   40,   56,   80,   112,   160,
                                    220,  315,  450,  630,  890,   1250,  1800,
                                    2500, 3600, 5000, 7100, 10000, 14000, 20000};
const std::vector<int> kThirdOctaves{
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,   200,   250,   315,   400,  500,
    630,  800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000,  6300,  8000,  10000, 12500,
    16000, 20000};

std::array<EqBand, 31> EditedRow() {
  std::array<EqBand, 31> row{};
  for (std::size_t i = 0; i < row.size(); ++i) {
    row[i] = EqBand{-3.0f, 1.5f, 1000 + static_cast<int>(i), 0};
  }
  return row;
}

struct TableCase {
  int count;
  const std::vector<int>* table;
};

TEST(ResetBands, CountChoosesTheFrequencyTable) {
  const TableCase cases[] = {{1, &kOctaves},       {11, &kOctaves},      {12, &kHalfOctaves},
                             {21, &kHalfOctaves},  {22, &kThirdOctaves}, {31, &kThirdOctaves}};
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.count);
    std::array<EqBand, 31> row = EditedRow();
    const std::array<EqBand, 31> before = row;
    ResetBands(row, c.count);
    const auto n = static_cast<std::size_t>(c.count);
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_EQ(row[i], (EqBand{0.0f, 5.8f, (*c.table)[i], 1})) << "band " << i;
    }
    for (std::size_t i = n; i < row.size(); ++i) {
      EXPECT_EQ(row[i], before[i]) << "band " << i << " beyond the count";
    }
  }
}

TEST(ResetBands, NeverWritesOutsideTheRow) {
  std::array<EqBand, 31> row = EditedRow();
  ResetBands(std::span<EqBand>(row).first(5), 31);  // the row handed over ends at band 5
  EXPECT_EQ(row[4].freq, 50);
  EXPECT_EQ(row[5], EditedRow()[5]);

  row = EditedRow();
  ResetBands(row, 200);
  EXPECT_EQ(row[30].freq, 20000);

  for (int count : {0, -4}) {
    row = EditedRow();
    ResetBands(row, count);
    EXPECT_EQ(row, EditedRow()) << count;
  }
}

struct RoleCase {
  int role;
  int hpFs;
  int hpSlope;
  int lpFs;
  int lpSlope;
  int bpType;
};

TEST(RoleDefaultCrossover, FollowsTheRoleTable) {
  constexpr RoleCase kEmpty{0, 20, 0, 20000, 0, 0};
  const auto tweeter = [](int r) { return RoleCase{r, 4000, 4, 20000, 0, 1}; };
  const auto midrange = [](int r) { return RoleCase{r, 500, 4, 4000, 4, 3}; };
  const auto woofer = [](int r) { return RoleCase{r, 80, 4, 500, 4, 3}; };
  const auto midTweeter = [](int r) { return RoleCase{r, 500, 4, 20000, 0, 1}; };
  const auto midWoofer = [](int r) { return RoleCase{r, 80, 4, 4000, 4, 3}; };
  const auto full = [](int r) { return RoleCase{r, 20, 4, 20000, 0, 1}; };
  const auto sub = [](int r) { return RoleCase{r, 20, 4, 70, 4, 3}; };
  const auto empty = [&](int r) { return RoleCase{r, kEmpty.hpFs, kEmpty.hpSlope, kEmpty.lpFs,
                                                  kEmpty.lpSlope, kEmpty.bpType}; };
  const RoleCase cases[] = {
      kEmpty,       tweeter(1),    midrange(2),  woofer(3),     midTweeter(4), midWoofer(5),
      full(6),      tweeter(7),    midrange(8),  woofer(9),     midTweeter(10), midWoofer(11),
      full(12),     tweeter(13),   woofer(14),   full(15),      tweeter(16),   woofer(17),
      full(18),     tweeter(19),   woofer(20),   full(21),      sub(22),       sub(23),
      sub(24),      empty(25),     empty(-1),    empty(1000)};
  for (const RoleCase& c : cases) {
    SCOPED_TRACE(c.role);
    const Crossover x = RoleDefaultCrossover(c.role);
    EXPECT_EQ(x.hp, (CrossoverFilter{c.hpFs, 2, c.hpSlope, c.hpSlope == 0 ? 1 : 0}));
    EXPECT_EQ(x.lp, (CrossoverFilter{c.lpFs, 2, c.lpSlope, c.lpSlope == 0 ? 1 : 0}));
    EXPECT_EQ(x.bpType, c.bpType);
  }
}

}  // namespace
}  // namespace qb
