// The logit fitter of the logistic-regression procedure: the same bits as CTGLM called with
// the procedure's arguments, its tables kept from one fit to the next, and its refusals.
#include "glm/logit_fit.hpp"

#include <bit>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>

#include "glm_test_support.hpp"
#include "support/thrown.hpp"

namespace itemdif::glm::testing {
namespace {

class LogitFitterTest : public GlmTest {};

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Every value of `fit` has the bits of the direct call's table and log-likelihood.
void expect_same_as(const LogitFit& fit, const FitCase& direct) {
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const Coefficient& c = fit.coefficients[static_cast<std::size_t>(k)];
    EXPECT_EQ(bits(c.estimate), bits(direct.est(k, 0)));
    EXPECT_EQ(bits(c.standard_error), bits(direct.est(k, 1)));
    EXPECT_EQ(bits(c.z), bits(direct.est(k, 2)));
    EXPECT_EQ(bits(c.p_value), bits(direct.est(k, 3)));
  }
  EXPECT_EQ(bits(fit.log_likelihood), bits(direct.a.LOGLIK));
}

// Two items in turn through one fitter, each against CTGLM on its own tables; the second
// design has a missing response and a separated group, so the fits differ in kind.
TEST_F(LogitFitterTest, GivesTheBitsOfCtglmFitAfterFit) {
  FitCase first = simulated_case(700, -3.0, 0.3, 0.4, -0.05, 11);
  FitCase second = simulated_case(700, -1.0, 0.2, 0.0, 0.0, 12);
  second.at(5, 3) = std::numeric_limits<float>::quiet_NaN();
  for (int i = 0; i < second.n / 2; ++i) second.at(i, 3) = 1.0F;

  LogitFitter fitter(700);
  EXPECT_EQ(fitter.observations(), 700);
  const LogitFit fit1 = fitter.fit(first.x);
  const auto messages1 = take_messages();
  const LogitFit fit2 = fitter.fit(second.x);
  const auto messages2 = take_messages();

  CTGLM(first.a);
  EXPECT_EQ(take_messages(), messages1);
  CTGLM(second.a);
  EXPECT_EQ(take_messages(), messages2);
  expect_same_as(fit1, first);
  expect_same_as(fit2, second);
  EXPECT_NE(bits(fit1.log_likelihood), bits(fit2.log_likelihood));
  EXPECT_LT(fit1.coefficients[1].p_value, 0.05F);
}

// A fit that CTGLM refuses (its terminal error not ending the run here) leaves the table of
// the fit before, and the log-likelihood of the fresh arguments, 0.
TEST_F(LogitFitterTest, RefusedFitLeavesThePreviousTable) {
  std::int32_t print = -1;
  std::int32_t stop = 0;
  numerr::ERRATTR(numerr::kTerminal, print, stop);
  FitCase good = simulated_case(200, -2.0, 0.25, -0.3, 0.02, 5);
  FitCase bad = simulated_case(200, -2.0, 0.25, -0.3, 0.02, 6);
  bad.at(17, 3) = -1.0F;

  LogitFitter fitter(200);
  const LogitFit before = fitter.fit(good.x);
  ASSERT_TRUE(take_messages().empty());
  const LogitFit refused = fitter.fit(bad.x);
  const auto messages = take_messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].rfind("TERMINAL|C2GLM. X(18,IRT=4) = -1.000000E+00.", 0), 0U) << messages[0];
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const Coefficient& a = before.coefficients[static_cast<std::size_t>(k)];
    const Coefficient& b = refused.coefficients[static_cast<std::size_t>(k)];
    EXPECT_EQ(bits(a.estimate), bits(b.estimate));
    EXPECT_EQ(bits(a.standard_error), bits(b.standard_error));
    EXPECT_EQ(bits(a.z), bits(b.z));
    EXPECT_EQ(bits(a.p_value), bits(b.p_value));
  }
  EXPECT_NE(before.log_likelihood, 0.0F);
  EXPECT_EQ(bits(refused.log_likelihood), bits(0.0F));
}

// A design of the wrong length, and a negative number of rows, are refused before CTGLM.
TEST_F(LogitFitterTest, RefusesADesignOfTheWrongSize) {
  LogitFitter fitter(10);
  const std::vector<float> short_design(39, 0.0F);
  const std::string wrong_size = "LogitFitter::fit: the design must hold 4 columns of n rows";
  EXPECT_EQ(::itemdif::testing::thrown_message<std::invalid_argument>(
                [&] { fitter.fit(short_design); }),
            wrong_size);
  const std::vector<float> long_design(41, 0.0F);
  EXPECT_EQ(::itemdif::testing::thrown_message<std::invalid_argument>(
                [&] { fitter.fit(long_design); }),
            wrong_size);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(::itemdif::testing::thrown_message<std::invalid_argument>([] { LogitFitter(-1); }),
            "LogitFitter: negative number of rows");
}

}  // namespace
}  // namespace itemdif::glm::testing
