// The logistic-regression procedure against a logit fit computed here by Newton's method in
// double precision on the same single-precision data.
#include "driver/logistic_procedure.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "level_tables.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::CapturedConsole;
using testing::make_pass;
using testing::make_scored_run;
using testing::simulate_group;

using Scores = std::vector<std::vector<double>>;

struct Coefficient {
  double estimate, se, z, p;
};

/// Two-sided tail of Student's t with `df` degrees of freedom: 1 - 2 * integral of the
/// density from 0 to |t|, by composite Simpson's rule on 20000 panels (the density is smooth
/// and bounded, the rule's error is far below the printed six decimals).
double t_two_sided(double t, double df) {
  const double c = std::exp(std::lgamma((df + 1) / 2) - std::lgamma(df / 2)) /
                   std::sqrt(df * 3.14159265358979323846);
  auto density = [&](double x) { return c * std::pow(1 + x * x / df, -(df + 1) / 2); };
  const int n = 20000;
  const double h = std::fabs(t) / n;
  double sum = density(0) + density(std::fabs(t));
  for (int i = 1; i < n; ++i) sum += density(i * h) * (i % 2 ? 4 : 2);
  return 1.0 - 2.0 * sum * h / 3.0;
}

/// Maximum-likelihood logit fit of y on (1, trait, group, trait x group) by Newton's method in
/// long double, from 0 until the step is below 1e-14, with the inverse information for the
/// standard errors. Rows are taken exactly as the single-precision design holds them.
std::array<Coefficient, 4> newton_fit(const std::vector<float>& trait,
                                      const std::vector<float>& group,
                                      const std::vector<float>& response) {
  const std::size_t n = trait.size();
  std::array<long double, 4> beta{};
  std::array<std::array<long double, 4>, 4> inverse{};
  for (int iteration = 0; iteration < 100; ++iteration) {
    std::array<std::array<long double, 5>, 4> system{};  // information | score
    for (std::size_t i = 0; i < n; ++i) {
      const float product = trait[i] * group[i];
      const std::array<long double, 4> x = {1.0L, trait[i], group[i], product};
      long double eta = 0;
      for (int k = 0; k < 4; ++k) eta += beta[k] * x[k];
      const long double mu = 1 / (1 + std::exp(-eta));
      for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) system[r][c] += mu * (1 - mu) * x[r] * x[c];
        system[r][4] += (response[i] - mu) * x[r];
      }
    }
    // Gauss-Jordan on [information | score | identity].
    std::array<std::array<long double, 9>, 4> m{};
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 5; ++c) m[r][c] = system[r][c];
      m[r][5 + r] = 1;
    }
    for (int p = 0; p < 4; ++p) {
      int pivot = p;
      for (int r = p + 1; r < 4; ++r)
        if (std::fabs(m[r][p]) > std::fabs(m[pivot][p])) pivot = r;
      std::swap(m[p], m[pivot]);
      const long double d = m[p][p];
      for (auto& v : m[p]) v /= d;
      for (int r = 0; r < 4; ++r) {
        if (r == p) continue;
        const long double f = m[r][p];
        for (int c = 0; c < 9; ++c) m[r][c] -= f * m[p][c];
      }
    }
    long double step = 0;
    for (int k = 0; k < 4; ++k) {
      beta[k] += m[k][4];
      step = std::max(step, std::fabs(m[k][4]));
      for (int c = 0; c < 4; ++c) inverse[k][c] = m[k][5 + c];
    }
    if (step < 1e-14L) break;
  }
  std::array<Coefficient, 4> result{};
  for (int k = 0; k < 4; ++k) {
    const double se = std::sqrt(static_cast<double>(inverse[k][k]));
    const double z = static_cast<double>(beta[k]) / se;
    result[k] = {static_cast<double>(beta[k]), se, z, t_two_sided(z, 1000.0)};
  }
  return result;
}

/// The four coefficient lines that follow an item's heading, read back as numbers.
std::array<Coefficient, 4> printed_coefficients(const std::vector<std::string>& lines,
                                                std::size_t heading) {
  std::array<Coefficient, 4> result{};
  for (std::size_t c = 0; c < 4; ++c) {
    const std::string& line = lines.at(heading + 1 + c);
    EXPECT_EQ(line.size(), 69u) << line;
    auto field = [&](std::size_t f) { return std::stod(line.substr(20 + 13 * f, 10)); };
    result[c] = {field(0), field(1), field(2), field(3)};
  }
  return result;
}

class LogisticProcedureTest : public ::testing::Test {
 protected:
  // Eight items; item 3 (label 30) carries uniform DIF and is taken as coded C in pass 2.
  void SetUp() override {
    std::uint64_t seed = 23;
    const std::vector<double> difficulty = {-1.2, -0.7, -0.3, 0.0, 0.2, 0.5, 0.9, 1.3};
    std::vector<double> shift(8, 0.0);
    shift[2] = 1.2;
    reference_ = simulate_group(250, 0.0, difficulty, std::vector<double>(8, 0.0), seed);
    focal_ = simulate_group(200, -0.3, difficulty, shift, seed);
    run_ = make_scored_run(reference_, focal_, {0}, {8});
    run_.model = 2;
    run_.item_label = {10, 20, 30, 40, 50, 60, 70, 80};
    set_pass_2("ABCAAABA");
  }

  /// Pass 2 as it would have ended with these categories.
  void set_pass_2(const std::string& categories) {
    analysis_.passes.clear();
    analysis_.passes.push_back(make_pass({}, categories, std::string(categories.size(), ' ')));
  }

  /// The procedure as the run sequence runs it; the report's lines.
  std::vector<std::string> run_procedure() {
    CapturedChannel report;
    run_logistic_procedure(run_, analysis_, report.channel(), textio::console_output());
    return report.lines();
  }

  /// The columns the procedure must build for item j when the items in `purged` are coded C:
  /// trait = total without them, plus item j's own score when j is one of them.
  struct Columns {
    std::vector<float> trait, group, response;
  };
  Columns columns(std::size_t j, const std::vector<std::size_t>& purged) const {
    Columns c;
    auto add = [&](const Scores& scores, float code) {
      for (const auto& row : scores) {
        double total = 0.0;
        for (std::size_t k = 0; k < row.size(); ++k) total += row[k];
        for (std::size_t k : purged)
          if (k != j) total -= row[k];
        c.trait.push_back(static_cast<float>(total));
        c.group.push_back(code);
        c.response.push_back(static_cast<float>(row[j]));
      }
    };
    add(reference_, 0.5F);
    add(focal_, -0.5F);
    return c;
  }

  std::array<Coefficient, 4> reference_fit(std::size_t j,
                                           const std::vector<std::size_t>& purged) const {
    const Columns c = columns(j, purged);
    return newton_fit(c.trait, c.group, c.response);
  }

  /// The log-likelihood, in double precision, of `fit` on the same columns.
  double reference_log_likelihood(std::size_t j, const std::vector<std::size_t>& purged,
                                  const std::array<Coefficient, 4>& fit) const {
    const Columns c = columns(j, purged);
    double sum = 0.0;
    for (std::size_t i = 0; i < c.trait.size(); ++i) {
      const double t = c.trait[i];
      const double g = c.group[i];
      const double eta = fit[0].estimate + fit[1].estimate * t + fit[2].estimate * g +
                         fit[3].estimate * t * g;
      sum += c.response[i] * eta - std::log1p(std::exp(eta));
    }
    return sum;
  }

  Scores reference_, focal_;
  RunData run_;
  Analysis analysis_;
  itemdif::testing::FreshFacility facility_;
  CapturedConsole console_;
};

TEST_F(LogisticProcedureTest, HeadingsPurgeListAndProgress) {
  const auto lines = run_procedure();
  ASSERT_EQ(lines.size(), 8u + 8 * 7);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 11),
            (std::vector<std::string>{
                "", "Number of Items Purged in Pass 2:   1", "Item Numbers: ", " 30", "", "",
                " Logistic Regression Procedure.  Note: Items purged from previous step", "",
                "", "", "Item Number: 10       Estimate    SE Estimate       Z         p-value"}));
  EXPECT_EQ(lines[12].substr(0, 20), "Trait               ");
  EXPECT_EQ(lines[13].substr(0, 20), "Group               ");
  EXPECT_EQ(lines[14].substr(0, 20), "Trait x Group       ");
  EXPECT_EQ(lines[11].substr(0, 20), "Intercept           ");
  EXPECT_EQ(lines.back().substr(0, 13), "Trait x Group");

  std::string expected_console = "\r\n\r\n              COMPUTING LOGISTIC REGRESSIONS\r\n";
  for (int j = 1; j <= 8; ++j)
    expected_console += "               ANALYZING ITEM:   " + std::to_string(j) + "\r\n";
  EXPECT_EQ(console_.text(), expected_console);
  EXPECT_EQ(analysis_.fit_purged, std::vector<std::size_t>{2});
  EXPECT_EQ(analysis_.fits.size(), 8u);
}

TEST_F(LogisticProcedureTest, CoefficientsMatchAnIndependentFit) {
  const auto lines = run_procedure();
  for (std::size_t j = 0; j < 8; ++j) {
    SCOPED_TRACE("item " + std::to_string(j + 1));
    const std::size_t heading = 10 + 7 * j;
    ASSERT_EQ(lines.at(heading).substr(0, 15), "Item Number: " + std::to_string(10 * (j + 1)));
    const auto printed = printed_coefficients(lines, heading);
    const auto expected = reference_fit(j, {2});
    for (std::size_t c = 0; c < 4; ++c) {
      SCOPED_TRACE("coefficient " + std::to_string(c + 1));
      // Single-precision sums over 450 rows and the fit's own stopping rule: agreement to a
      // few units in the fourth significant digit.
      EXPECT_NEAR(printed[c].estimate, expected[c].estimate,
                  2e-4 * std::fabs(expected[c].estimate) + 2e-5);
      EXPECT_NEAR(printed[c].se, expected[c].se, 2e-4 * expected[c].se + 2e-6);
      EXPECT_NEAR(printed[c].z, expected[c].z, 5e-4 * std::fabs(expected[c].z) + 2e-5);
      EXPECT_NEAR(printed[c].p, expected[c].p, 2e-4);
      // The value kept is the one printed.
      const FitCoefficient& kept = analysis_.fits[j].coefficients[c];
      EXPECT_NEAR(kept.estimate, printed[c].estimate, 5e-7);
      EXPECT_NEAR(kept.p_value, printed[c].p, 5e-7);
    }
    // The log-likelihood of the fit: that of the independent fit's estimates.
    EXPECT_NEAR(analysis_.fits[j].log_likelihood, reference_log_likelihood(j, {2}, expected),
                1e-3 * std::fabs(analysis_.fits[j].log_likelihood));
  }
}

TEST_F(LogisticProcedureTest, NoPurgedItemUsesThePlainTotal) {
  set_pass_2("AAAAAAAA");
  const auto lines = run_procedure();
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7),
            (std::vector<std::string>{
                "", "Number of Items Purged in Pass 2:   0", "Item Numbers: ", "", "",
                " Logistic Regression Procedure.  Note: Items purged from previous step", ""}));
  // Every trait is the plain total now, item 3 back in everybody's.
  for (std::size_t j = 0; j < 8; ++j) {
    const auto printed = printed_coefficients(lines, 9 + 7 * j);
    const auto expected = reference_fit(j, {});
    for (std::size_t c = 0; c < 4; ++c)
      EXPECT_NEAR(printed[c].estimate, expected[c].estimate,
                  2e-4 * std::fabs(expected[c].estimate) + 2e-5)
          << "item " << j + 1 << " coefficient " << c + 1;
  }
}

TEST_F(LogisticProcedureTest, ItemsAllCorrectStillPrintFourFiniteLines) {
  // Item 1 answered correctly by every reference examinee, item 2 by everybody.
  for (std::size_t i = 0; i < reference_.size(); ++i) run_.reference_responses.set(i, 0, 1.0);
  for (std::size_t i = 0; i < reference_.size(); ++i) run_.reference_responses.set(i, 1, 1.0);
  for (std::size_t i = 0; i < focal_.size(); ++i) run_.focal_responses.set(i, 1, 1.0);
  const auto lines = run_procedure();
  for (std::size_t heading : {10u, 17u}) {
    for (const Coefficient& c : printed_coefficients(lines, heading)) {
      EXPECT_TRUE(std::isfinite(c.estimate));
      EXPECT_TRUE(std::isfinite(c.se));
    }
    for (std::size_t c = 1; c <= 4; ++c)
      EXPECT_EQ(lines[heading + c].find('*'), std::string::npos) << lines[heading + c];
  }
  // The items after them are fitted as usual.
  EXPECT_EQ(lines.size(), 8u + 8 * 7);
}

TEST(LogisticProcedureRows, MoreRowsThanTheFitCanCountIsErrorFortyOne) {
  // Counts only; no table of this size exists, and none may be written to.
  RunData run;
  run.n_reference = std::numeric_limits<std::int32_t>::max();
  run.n_focal = 1;
  Analysis analysis;
  analysis.passes.push_back(make_pass({}, "", ""));
  CapturedChannel report;
  CapturedConsole console;
  try {
    run_logistic_procedure(run, analysis, report.channel(), textio::console_output());
    ADD_FAILURE() << "the procedure went on";
  } catch (const textio::IoError& error) {
    EXPECT_EQ(error.number, 41);
  }
  EXPECT_EQ(report.text(), "");
}

}  // namespace
}  // namespace itemdif::driver
