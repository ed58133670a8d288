// The passes of a fit taken a block of observations at a time against the same passes one
// observation at a time: every output of the fit must agree bit for bit, on data that reach
// the clamp of the linear predictor and the floor of 1 - mu, with observations left out, a
// fixed term, a dependent regressor and the caller's codes.
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>

#include "glm/fit.hpp"
#include "glm/workspace.hpp"
#include "glm_test_support.hpp"

namespace itemdif::glm::testing {
namespace {

class BlockPasses : public GlmTest {
 protected:
  // C3GLM on the case as CTGLM hands it over after its checks.
  static void fit(FitCase& fc, bool in_blocks) {
    fc.a.NCOEF = 4;
    Workspace workspace;
    ASSERT_TRUE(workspace.reserve(4, 0, kUncappedWorkspace));
    FitContext context(fc.a, 4, workspace.floats.data());
    C3GLM(context, in_blocks ? Traversal::kBlocks : Traversal::kObservations);
  }

  // Fits two copies of the case made by `make`, one each way, and compares every output and
  // the messages; returns the block fit for further checks.
  FitCase compare(const std::function<FitCase()>& make) {
    FitCase blocks = make();
    fit(blocks, true);
    const auto block_messages = take_messages();
    FitCase single = make();
    fit(single, false);
    EXPECT_EQ(take_messages(), block_messages);
    EXPECT_TRUE(same_bits(blocks.esttab, single.esttab));
    EXPECT_TRUE(same_bits(blocks.covest, single.covest));
    EXPECT_TRUE(same_bits(blocks.regmean, single.regmean));
    EXPECT_TRUE(same_bits(blocks.lastupd, single.lastupd));
    EXPECT_TRUE(same_bits(blocks.casestat, single.casestat));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(blocks.a.LOGLIK),
              std::bit_cast<std::uint32_t>(single.a.LOGLIK));
    EXPECT_EQ(blocks.obscode, single.obscode);
    EXPECT_EQ(blocks.a.NMISSING, single.a.NMISSING);
    return blocks;
  }
};

// A steep trait (eta from -10 to 10 over traits 0 .. 20) puts the observations at both ends
// beyond the clamp, where mu(7) > 0.999 also meets the floor of 1 - mu; 1037 observations end
// in a short block.
TEST_F(BlockPasses, AgreeAcrossTheClampAndTheFloor) {
  const FitCase fc = compare([] { return simulated_case(1037, -10.0, 1.0, 0.5, -0.05, 21); });
  int top = 0;
  int bottom = 0;
  for (int i = 0; i < fc.n; ++i) {
    top += fc.stat(i, 0) == LogitModel::mean(7.0F) ? 1 : 0;
    bottom += fc.stat(i, 0) == LogitModel::mean(-7.0F) ? 1 : 0;
  }
  EXPECT_GT(top, 0);
  EXPECT_GT(bottom, 0);
  EXPECT_GT(LogitModel::mean(7.0F), 0.999F);
}

// Every reference examinee correct: the group coefficient runs off to the clamp, with the
// iteration's own ending (and possibly its warning) the same both ways.
TEST_F(BlockPasses, AgreeOnASeparatedItem) {
  compare([] {
    FitCase fc = simulated_case(600, -1.0, 0.2, 0.0, 0.0, 9);
    for (int i = 0; i < fc.n / 2; ++i) fc.at(i, 3) = 1.0F;
    return fc;
  });
}

// A missing trait and a missing response leave observations out; the case statistics of
// those come from the observation-wise way inside a block.
TEST_F(BlockPasses, AgreeWithObservationsLeftOut) {
  const FitCase fc = compare([] {
    FitCase fc = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    fc.at(7, 0) = nan;
    fc.at(290, 3) = nan;
    return fc;
  });
  EXPECT_EQ(fc.a.NMISSING, 2);
  EXPECT_FALSE(std::isnan(fc.stat(290, 0)));  // the predicted mean of a missing response
}

// The fixed term enters the linear predictor, and a regressor repeated is found dependent.
TEST_F(BlockPasses, AgreeWithAFixedTermAndADependentRegressor) {
  const FitCase fc = compare([] {
    FitCase fc = simulated_case(400, -2.0, 0.25, 0.6, 0.0, 3);
    fc.indef = {1, 2, 2};
    fc.a.IFIX = 3;
    return fc;
  });
  EXPECT_EQ(fc.est(3, 0), 0.0F);
}

// With no iterations the caller's estimates and codes are used; an observation coded 1 gets
// its case statistics all the same.
TEST_F(BlockPasses, AgreeWithTheCallersEstimatesAndCodes) {
  const FitCase fc = compare([] {
    FitCase fc = simulated_case(500, -2.0, 0.25, -0.3, 0.02, 5);
    fc.obscode.assign(fc.obscode.size(), 0);
    fc.obscode[3] = 1;
    fc.obscode[260] = 1;
    const float start[4] = {-2.0F, 0.25F, -0.3F, 0.02F};
    for (int k = 0; k < 4; ++k) fc.esttab[static_cast<std::size_t>(k)] = start[k];
    fc.a.MAXIT = 0;
    fc.a.INIT = 1;
    return fc;
  });
  EXPECT_EQ(fc.a.NMISSING, 2);
  EXPECT_FALSE(std::isnan(fc.stat(260, 1)));
}

}  // namespace
}  // namespace itemdif::glm::testing

namespace itemdif::glm::testing {
namespace {

// The classes of the observations: equal values bit for bit share one, a different zero or
// response does not, unused observations take none, and too many distinct ones give none.
TEST_F(GlmTest, ObservationsAreClassedByTheBitsOfTheirValues) {
  FitCase fc = simulated_case(12, -1.0, 0.2, 0.0, 0.0, 3);
  for (int i = 0; i < fc.n; ++i) fc.set_row(i, 2.0F, 0.5F, 1.0F);
  fc.set_row(3, -0.0F, 0.5F, 1.0F);
  fc.set_row(4, 0.0F, 0.5F, 1.0F);
  fc.set_row(5, 2.0F, 0.5F, 0.0F);
  fc.set_row(6, 2.0F, -0.5F, 1.0F);
  fc.a.NCOEF = 4;
  Workspace workspace;
  ASSERT_TRUE(workspace.reserve(4, 0, kUncappedWorkspace));
  FitContext context(fc.a, 4, workspace.floats.data());
  for (auto& code : fc.obscode) code = 0;
  fc.obscode[9] = 1;
  auto classes = classify_rows(context);
  ASSERT_TRUE(classes);
  ASSERT_EQ(classes->values.size(), 5u);
  const auto& of = classes->of;
  EXPECT_EQ(of[0], of[11]);
  for (int i : {3, 4, 5, 6}) EXPECT_NE(of[i], of[0]) << i;
  EXPECT_NE(of[3], of[4]);  // -0 and +0 are kept apart: they need not give the same bits
  EXPECT_EQ(of[9], kNotClassed);
  EXPECT_EQ(classes->values[of[6]], (std::array<float, 5>{2.0F, -0.5F, -1.0F, 0.0F, 1.0F}));

  FitCase many = simulated_case(2 * static_cast<std::int32_t>(kMaxRowClasses), -1.0, 0.2, 0.0, 0.0, 3);
  for (int i = 0; i < many.n; ++i) many.set_row(i, static_cast<float>(i), 0.5F, 1.0F);
  many.a.NCOEF = 4;
  FitContext crowded(many.a, 4, workspace.floats.data());
  for (auto& code : many.obscode) code = 0;
  EXPECT_FALSE(classify_rows(crowded));
}

}  // namespace
}  // namespace itemdif::glm::testing
