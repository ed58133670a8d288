// `itemdif analyze --methods mh,sib` on six items worked out by hand: the SIBTEST and crossing
// SIBTEST columns of items.csv, and a bundle's row in bundles.csv.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "command_runner.hpp"
#include "support/results_reader.hpp"

namespace itemdif::cli {
namespace {

using itemdif::testing::cell_number;
using itemdif::testing::read_csv;
using itemdif::testing::ScratchFolder;

// Items q1..q5 form a Guttman scale (subtest score X = the number of leading ones) that both
// groups share: per group 8, 16, 16, 16, 16, 8 examinees at X = 0..5. q6 is the studied item;
// its examinees answering it correctly at X = 0..5:
//   reference 0, 8, 12, 12,  8, 8
//   focal     0, 4,  4,  8, 12, 4
// so that q6 favours the reference group at X = 1..3 and the focal group at X = 4.
std::string guttman_data() {
  const int at_x[] = {8, 16, 16, 16, 16, 8};
  const int right[2][6] = {{0, 8, 12, 12, 8, 8}, {0, 4, 4, 8, 12, 4}};
  std::string text = "id,grp,q1,q2,q3,q4,q5,q6\n";
  int id = 0;
  for (int g = 0; g < 2; ++g)
    for (int x = 0; x <= 5; ++x)
      for (int i = 0; i < at_x[x]; ++i) {
        text += "e" + std::to_string(++id) + (g == 0 ? ",R" : ",F");
        for (int k = 0; k < 5; ++k) text += k < x ? ",1" : ",0";
        text += i < right[g][x] ? ",1\n" : ",0\n";
      }
  return text;
}

// By hand (and again in R from the rows, with the formulas written out):
// - The groups share the subtest's distribution, so Xbar_R = Xbar_F = 2.5 and coefficient alpha
//   is the same: var(X) = 180/79, the item variances sum to (7.2 + 16.8 + 20 + 16.8 + 7.2)/79
//   = 68/79, rho = 5/4 (1 - 68/180) = 7/9 in both groups.
//   Then V_R(k) = V_F(k) and the regression correction vanishes: Ystar = Ybar.
// - Strata: X = 0..5 less the extremes, each with 16 examinees per group and both answers:
//   d_k = Ybar_F - Ybar_R = 4/16 - 8/16, 4/16 - 12/16, 8/16 - 12/16, 12/16 - 8/16
//       = -1/4, -1/2, -1/4, +1/4, equal weights p_k = 1/4.
// - beta = -3/16: negative, the item favours the reference group.
// - s^2/n per group and stratum with m correct of 16: m (16 - m) / (16 * 15) / 16, so
//   k = 1: 1/60 + 1/80 = 7/240; k = 2: 1/80 + 1/80 = 6/240; k = 3: 7/240; k = 4: 7/240;
//   SE^2 = (1/16) 27/240 = 9/1280; chi-square = (9/256) / (9/1280) = 5; |beta| >= 0.088: C-.
// - Crossing: the weighted line of d on k has b1 = (7/32) / (5/4) = 7/40 and passes through
//   (2.5, -3/16), so c = 2.5 + (3/16) / (7/40) = 25/7. Side L holds k = 1..3 with beta_L = -1/4
//   and sigma_L^2 = (1/16) 20/240 = 1/192; side U holds k = 4 with beta_U = 1/16 and
//   sigma_U^2 = (1/16) 7/240 = 7/3840. csib_beta = 5/16; chi-square = 12 + 15/7 = 99/7 at 2 df,
//   whose upper tail is exp(-99/14).
TEST(SibtestCommand, SixItemsWorkedByHand) {
  ScratchFolder folder;
  const std::string path = (folder / "guttman.csv").string();
  std::ofstream(path, std::ios::binary) << guttman_data();
  const std::string dir = (folder / "out").string();
  const testing::Outcome o =
      testing::run_itemdif({"analyze", path, "--group", "grp", "--focal", "F", "--reference", "R",
                            "--id", "id", "--methods", "mh,sib", "--purify", "none", "--bundle",
                            "last=q5,q6", "--out", dir, "--quiet"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto items = read_csv(dir + "/items.csv");
  ASSERT_EQ(items.rows.size(), 6u);
  const auto& q6 = items.rows[5];
  ASSERT_EQ(q6.at("item"), "q6");
  const auto near = [&](const char* column, double want) {
    EXPECT_NEAR(cell_number(q6.at(column)), want, 1e-13 * std::max(1.0, std::fabs(want)))
        << column;
  };
  near("sib_beta", -3.0 / 16);
  near("sib_se", std::sqrt(9.0 / 1280));
  near("sib_chi_square", 5.0);
  near("sib_p", std::erfc(std::sqrt(2.5)));
  near("sib_p_adjusted", std::erfc(std::sqrt(2.5)));
  EXPECT_EQ(q6.at("sib_class"), "C-");
  near("csib_beta", 5.0 / 16);
  near("csib_chi_square", 99.0 / 7);
  EXPECT_EQ(q6.at("csib_df"), "2");
  near("csib_p", std::exp(-99.0 / 14));
  near("csib_crossing", 25.0 / 7);
  // MH agrees on the direction.
  EXPECT_LT(cell_number(q6.at("mh_d_dif")), 0);

  // The bundle's row: its items, score range and examinees; its values are checked against
  // tables counted from the rows elsewhere.
  const auto bundles = read_csv(dir + "/bundles.csv");
  ASSERT_EQ(bundles.rows.size(), 1u);
  EXPECT_EQ(bundles.rows[0].at("bundle"), "last");
  EXPECT_EQ(bundles.rows[0].at("focal"), "F");
  EXPECT_EQ(bundles.rows[0].at("items"), "q5;q6");
  EXPECT_EQ(bundles.rows[0].at("score_min"), "0");
  EXPECT_EQ(bundles.rows[0].at("score_max"), "2");
  EXPECT_EQ(bundles.rows[0].at("n_reference"), "80");
  EXPECT_EQ(bundles.rows[0].at("n_focal"), "80");
}

}  // namespace
}  // namespace itemdif::cli
