// The argument checks of CTGLM and C2GLM: each message, the end of the run on terminal
// errors, the two warnings that change an argument, the workspace rule, and X unchanged.
#include <cmath>
#include <limits>

#include "glm/workspace.hpp"
#include "glm_test_support.hpp"

namespace itemdif::glm::testing {
namespace {

class CtglmCheck : public GlmTest {
 protected:
  FitCase fc = simulated_case(40, -1.0, 0.2, 0.3, 0.0);

  /// Calls CTGLM expecting the run to end (terminal error); returns the messages shown.
  std::vector<std::string> ended_run() {
    const std::vector<float> before = fc.x;
    EXPECT_EQ(stop_status([&] { CTGLM(fc.a); }), 1);
    EXPECT_TRUE(same_bits(fc.x, before));
    EXPECT_EQ(fc.esttab, std::vector<float>(16, -99.0F));  // outputs untouched
    return take_messages();
  }
  void expect_single(const std::string& routine_and_text) {
    const auto messages = ended_run();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], collapse("TERMINAL|" + routine_and_text));
  }
};

TEST_F(CtglmCheck, FirstChecksOfCtglm) {
  fc.a.NOBS = 0;
  expect_single("CTGLM.  NOBS = 0. NOBS must be greater than 0.");
  EXPECT_EQ(fc.a.NCOEF, -99);
}

TEST_F(CtglmCheck, LeadingDimensionsAgainstNobs) {
  fc.a.LDX = 39;
  fc.a.LDCASE = 12;
  const auto messages = ended_run();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[0], collapse("TERMINAL|CTGLM.  LDX = 39. LDX must be greater than or equal to NOBS = 40."));
  EXPECT_EQ(messages[1], collapse("TERMINAL|CTGLM.  LDCASE = 12. LDCASE must be greater than or equal to NOBS = 40."));
}

TEST_F(CtglmCheck, ColumnsEffectsAndIntercept) {
  fc.a.NCOL = 0;
  fc.a.NEF = -1;
  fc.a.INTCEP = 2;
  const auto messages = ended_run();
  ASSERT_EQ(messages.size(), 3U);
  EXPECT_EQ(messages[0], collapse("TERMINAL|CTGLM.  NCOL = 0. NCOL must be greater than or equal to 1."));
  EXPECT_EQ(messages[1], collapse("TERMINAL|CTGLM.  NEF = -1. NEF must be greater than or equal to 0."));
  EXPECT_EQ(messages[2], collapse("TERMINAL|CTGLM.  INTCEP = 2. INTCEP must be either 0 or 1."));
}

TEST_F(CtglmCheck, EffectVariables) {
  fc.nvef[1] = 0;
  expect_single("CTGLM.  NVEF(2) = 0.  An effect must have at least one variable.");
}

TEST_F(CtglmCheck, EffectColumns) {
  fc.indef[2] = 5;
  expect_single("CTGLM.  INDEF(3) = 5. Variable 1 in effect 3 is given as 5.  Any index less "
                "than 1 and greater than NCOL = 4 is not allowed.");
}

TEST_F(CtglmCheck, ClassVariables) {
  fc.a.NCLVAR = -1;
  expect_single("CTGLM.  NCLVAR = -1. NCLVAR must be greater than or equal to 0.");
}

TEST_F(CtglmCheck, ClassCapacity) {
  fc.a.NCLVAR = 1;
  fc.a.MAXCL = 0;
  expect_single("CTGLM.  MAXCL = 0. MAXCL must be greater than or equal to 1 when NCLVAR is "
                "greater than zero.");
}

TEST_F(CtglmCheck, ResultTablesAgainstCoefficients) {
  fc.a.LDCOEF = 3;
  fc.a.LDCOV = 2;
  const auto messages = ended_run();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[0], collapse("TERMINAL|CTGLM.  LDCOEF = 3. LDCOEF must be greater than or equal to NCOEF = 4."));
  EXPECT_EQ(messages[1], collapse("TERMINAL|CTGLM.  LDCOV = 2. LDCOV must be greater than or equal to NCOEF = 4."));
}

TEST_F(CtglmCheck, SecondTableInOrder) {
  fc.a.IPRINT = 3;
  fc.a.MODEL = 6;
  fc.a.INFIN = 2;
  fc.a.INIT = -1;
  fc.a.ICEN = 5;
  fc.a.ILT = -1;
  fc.a.IRT = 0;
  fc.a.IFRQ = 5;
  fc.a.IPAR = 5;
  const auto messages = ended_run();
  ASSERT_EQ(messages.size(), 9U);
  EXPECT_EQ(messages[0], collapse("TERMINAL|C2GLM.  IPRINT = 3. IPRINT must be either 0, 1, or 2."));
  EXPECT_EQ(messages[1], collapse("TERMINAL|C2GLM.  MODEL = 6. MODEL must be either 0, 1, 2, 3, 4, or, 5."));
  EXPECT_EQ(messages[2], collapse("TERMINAL|C2GLM.  INFIN = 2. INFIN must be 0 or 1."));
  EXPECT_EQ(messages[3], collapse("TERMINAL|C2GLM.  INIT = -1. INIT must be 0 or 1."));
  EXPECT_EQ(messages[4], collapse("TERMINAL|C2GLM.  ICEN = 5. ICEN must be greater than or equal to 1 and less than or equal to NCOL = 4."));
  EXPECT_EQ(messages[5], collapse("TERMINAL|C2GLM.  ILT = -1. ILT must be greater than or equal to 0 and less than or equal to NCOL = 4."));
  EXPECT_EQ(messages[6], collapse("TERMINAL|C2GLM.  IRT = 0. IRT must be greater than or equal to 1 and less than or equal to NCOL = 4."));
  EXPECT_EQ(messages[7], collapse("TERMINAL|C2GLM.  IFRQ = 5. IFRQ must be greater than or equal to 0 and less than or equal to NCOL = 4."));
  EXPECT_EQ(messages[8], collapse("TERMINAL|C2GLM.  IPAR = 5. IPAR must be greater than or equal to 0 and less than or equal to NCOL = 4."));
}

TEST_F(CtglmCheck, IrtZeroFailsWhileIcenZeroPasses) {
  fc.a.IRT = 0;
  expect_single("C2GLM.  IRT = 0. IRT must be greater than or equal to 1 and less than or equal "
                "to NCOL = 4.");
}

TEST_F(CtglmCheck, IterationArguments) {
  fc.a.MAXIT = -2;
  expect_single("C2GLM.  MAXIT = -2. MAXIT must be greater than or equal to 0.");
}

TEST_F(CtglmCheck, NoIterationsNeedCallersEstimates) {
  fc.a.MAXIT = 0;
  expect_single("C2GLM.  INIT = 0. INIT must be 1 when MAXIT = 0.");
}

TEST_F(CtglmCheck, NothingToEstimate) {
  fc.a.NEF = 0;
  fc.a.INTCEP = 0;
  expect_single("C2GLM.  NEF = 0 and INTCEP = 0. With no linear response nothing can be estimated.");
}

// A response is rounded to the nearest integer before the lower limit 0 of model 3 is applied.
TEST_F(CtglmCheck, ResponseRoundsBeforeItIsChecked) {
  fc.at(3, 3) = -0.4F;
  fc.at(5, 3) = std::numeric_limits<float>::quiet_NaN();  // missing: not checked
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(fc.a.NMISSING, 1);

  fc.esttab.assign(16, -99.0F);
  fc.at(3, 3) = -0.6F;
  expect_single("C2GLM.  X(4,IRT=4) = -6.000000E-01.  The observation point must be greater "
                "than or equal to 0 for model number 3.");
}

TEST_F(CtglmCheck, RowChecksStopAfterElevenFailures) {
  for (int i = 0; i < 20; ++i) fc.at(i, 3) = -1.0F;
  const auto messages = ended_run();
  ASSERT_EQ(messages.size(), 11U);
  EXPECT_EQ(messages[10], collapse("TERMINAL|C2GLM.  X(11,IRT=4) = -1.000000E+00.  The observation "
                                   "point must be greater than or equal to 0 for model number 3."));
}

// IFIX outside the columns is set to 0 with a warning, and the call ends without a fit.
TEST_F(CtglmCheck, IfixOutsideTheTableIsResetWithoutFit) {
  fc.a.IFIX = 9;
  const std::vector<float> before = fc.x;
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  const auto messages = take_messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0], collapse("WARNING |CTGLM.  IFIX = 9. IFIX must be greater than or equal to "
                                  "0 and less than or equal to NCOL = 4. IFIX is being set to 0."));
  EXPECT_EQ(fc.a.IFIX, 0);
  EXPECT_EQ(fc.esttab, std::vector<float>(16, -99.0F));
  EXPECT_TRUE(same_bits(fc.x, before));
}

// Parts of the general interface that this engine does not fit are refused in so many words.
TEST_F(CtglmCheck, UnavailableFeaturesAreRefused) {
  fc.a.MODEL = 4;
  expect_single("C2GLM.  MODEL = 4.  Only model number 3 (binomial response, logit link) is available.");
}

TEST_F(CtglmCheck, FrequenciesAreRefused) {
  fc.a.IFRQ = 1;
  expect_single("C2GLM.  IFRQ = 1.  A frequency column is not available; IFRQ must be 0.");
}

// A fixed term enters the linear predictor: fitting y on trait with the group effect fixed at
// its full-model value reproduces the other estimates of the full fit.
TEST_F(CtglmCheck, FixedTermEntersTheLinearPredictor) {
  FitCase full = simulated_case(300, -2.0, 0.25, 0.6, 0.0, 3);
  full.indef = {1, 2, 2};
  full.a.NEF = 2;
  CTGLM(full.a);
  FitCase fixed = simulated_case(300, -2.0, 0.25, 0.6, 0.0, 3);
  for (int i = 0; i < fixed.n; ++i) fixed.at(i, 2) = full.est(2, 0) * fixed.at(i, 1);
  fixed.a.NEF = 1;
  fixed.a.IFIX = 3;
  CTGLM(fixed.a);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_NEAR(fixed.est(0, 0), full.est(0, 0), 1e-3);
  EXPECT_NEAR(fixed.est(1, 0), full.est(1, 0), 1e-4);
}

// CTGLM with its workspace held to a cap, expecting the run to end with one message.
class CtglmWorkspace : public CtglmCheck {
 protected:
  void expect_single_within(std::size_t max_floats, const std::string& routine_and_text) {
    const std::vector<float> before = fc.x;
    EXPECT_EQ(stop_status([&] { ctglm_with_workspace_cap(fc.a, max_floats); }), 1);
    EXPECT_TRUE(same_bits(fc.x, before));
    EXPECT_EQ(fc.esttab, std::vector<float>(16, -99.0F));  // outputs untouched
    const auto messages = take_messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], collapse("TERMINAL|" + routine_and_text));
  }
};

TEST_F(CtglmWorkspace, FailureNamesTheSizes) {
  expect_single_within(10, "CTGLM.  The required storage cannot be allocated.  The above "
                           "workspace allocation is based upon NOBS = 40, NCOEF = 4, and NMAX = 0.");
}

// With INFIN = 0 the capacity for set-aside observations shrinks by 0.9 until the tables fit;
// here they never do, and NMAX has run down to 0.
TEST_F(CtglmWorkspace, RetriesWithSmallerCapacityDownToZero) {
  fc.a.INFIN = 0;
  expect_single_within(60, "CTGLM.  The required storage cannot be allocated.  The above "
                           "workspace allocation is based upon NOBS = 40, NCOEF = 4, and NMAX = 0.");
}

// A capacity that fits after some retries lets the call go on to C2GLM (which then refuses
// INFIN = 0 in its own words).
TEST_F(CtglmWorkspace, RetrySucceedsWithSmallerCapacity) {
  fc.a.INFIN = 0;
  // the 70 floats of the fit tables plus about 50 set-aside rows
  expect_single_within(100 + 50 * 6, "C2GLM.  INFIN = 0.  Observations driving estimates to "
                                     "infinity are not set aside here; INFIN must be 1.");
}

// Without a cap the same call goes as CTGLM makes it: the tables are had, and C2GLM refuses
// INFIN = 0.
TEST_F(CtglmWorkspace, UncappedIsCtglm) {
  fc.a.INFIN = 0;
  expect_single_within(kUncappedWorkspace, "C2GLM.  INFIN = 0.  Observations driving estimates "
                                           "to infinity are not set aside here; INFIN must be 1.");
}

// The cap counts floats exactly: the tables of a fit without set-aside rows fit in their own
// size and not in one float less.
TEST(WorkspaceReserve, CapIsExact) {
  Workspace workspace;
  // The factor's 4 x 4 + 6 x 4 + 1 floats and the fit's 3 x 4 + 1 + 4 x 4.
  const std::size_t needed = 41 + 29;
  EXPECT_FALSE(workspace.reserve(4, 0, needed - 1));
  EXPECT_TRUE(workspace.floats.empty());
  EXPECT_TRUE(workspace.reserve(4, 0, needed));
  EXPECT_EQ(workspace.floats.size(), needed);
  EXPECT_TRUE(workspace.reserve(4, 10, kUncappedWorkspace));
  EXPECT_EQ(workspace.floats.size(), needed + 10 * 6);
}

}  // namespace
}  // namespace itemdif::glm::testing
