// The fit as the logistic procedure makes it (the final evaluation left out when it would
// repeat the last one, no case statistics) against the plain fit: every output the procedure
// can read, and every line on the console, the same to the bit on random data sets, with the
// iteration ending each of its ways.
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "glm/fit.hpp"
#include "glm/workspace.hpp"
#include "glm_test_support.hpp"

namespace itemdif::glm::testing {
namespace {

struct Variant {
  FinalEvaluation final_evaluation;
  bool case_statistics;
  Traversal traversal;
};

class FitShortcuts : public GlmTest {
 protected:
  // C3GLM on the case as CTGLM hands it over after its checks; returns the console's text.
  std::string fit(FitCase& fc, const Variant& variant) {
    fc.a.NCOEF = 4;
    if (!variant.case_statistics) fc.a.CASESTAT = nullptr;
    Workspace workspace;
    EXPECT_TRUE(workspace.reserve(4, 0, kUncappedWorkspace));
    {
      numerr::RoutineScope scope{"CTGLM "};
      FitContext context(fc.a, 4, workspace.floats.data());
      C3GLM(context, variant.traversal, variant.final_evaluation);
    }
    std::string text;
    for (const std::string& line : take_lines()) text += line + "\n";
    return text;
  }

  // Fits a copy of the case made by `make` the plain way and one each shortcut way; returns
  // the plain fit's console text.
  std::string compare(const std::function<FitCase()>& make) {
    const Variant plain{FinalEvaluation::kAlways, true, Traversal::kObservations};
    FitCase reference = make();
    const std::string shown = fit(reference, plain);
    for (const Variant& variant :
         {Variant{FinalEvaluation::kWhenNeeded, true, Traversal::kBlocks},
          Variant{FinalEvaluation::kWhenNeeded, false, Traversal::kBlocks},
          Variant{FinalEvaluation::kWhenNeeded, false, Traversal::kObservations},
          Variant{FinalEvaluation::kAlways, false, Traversal::kBlocks}}) {
      FitCase other = make();
      EXPECT_EQ(fit(other, variant), shown);
      EXPECT_TRUE(same_bits(other.esttab, reference.esttab));
      EXPECT_TRUE(same_bits(other.covest, reference.covest));
      EXPECT_TRUE(same_bits(other.regmean, reference.regmean));
      EXPECT_TRUE(same_bits(other.lastupd, reference.lastupd));
      EXPECT_EQ(std::bit_cast<std::uint32_t>(other.a.LOGLIK),
                std::bit_cast<std::uint32_t>(reference.a.LOGLIK));
      EXPECT_EQ(other.obscode, reference.obscode);
      EXPECT_EQ(other.a.NMISSING, reference.a.NMISSING);
      if (variant.case_statistics) {
        EXPECT_TRUE(same_bits(other.casestat, reference.casestat));
      } else {
        EXPECT_TRUE(same_bits(other.casestat, std::vector<float>(other.casestat.size(), -99.0F)))
            << "case statistics written when not asked for";
      }
    }
    return shown;
  }
};

// Random data sets of every size up to a few blocks, with effects from none to strong: the
// iteration converges, on Q-N or after the switch to N-R.
TEST_F(FitShortcuts, AgreeOnRandomDataSets) {
  for (std::uint64_t seed = 1; seed <= 24; ++seed) {
    const auto n = static_cast<std::int32_t>(40 + seed * 97 % 900);
    const double b3 = static_cast<double>(seed % 5) * 0.03 - 0.06;
    const double b2 = static_cast<double>(seed % 7) * 0.2 - 0.6;
    SCOPED_TRACE(seed);
    EXPECT_EQ(compare([&] { return simulated_case(n, -2.5, 0.25, b2, b3, seed); }), "");
  }
}

// Traits that take more values than the distinct observations the pass evaluates once: the
// block pass then evaluates every observation; and a few classes only, all observations but
// a handful alike.
TEST_F(FitShortcuts, AgreeWithManyDistinctObservationsAndWithFew) {
  compare([] {
    FitCase fc = simulated_case(2600, -2.0, 0.25, 0.3, 0.02, 41);
    for (int i = 0; i < fc.n; ++i) {
      const float trait = fc.at(i, 0) + static_cast<float>(i % 613) / 613.0F;
      fc.at(i, 0) = trait;
      fc.at(i, 2) = trait * fc.at(i, 1);
    }
    return fc;
  });
  compare([] {
    FitCase fc = simulated_case(900, -0.5, 0.1, 0.3, 0.0, 8);
    for (int i = 0; i < fc.n; ++i) {
      fc.at(i, 0) = i % 97 == 0 ? 3.0F : 5.0F;
      fc.at(i, 2) = fc.at(i, 0) * fc.at(i, 1);
    }
    return fc;
  });
}

// A separated item: the group estimate runs off to the clamp of the linear predictor.
TEST_F(FitShortcuts, AgreeOnASeparatedItem) {
  compare([] {
    FitCase fc = simulated_case(600, -1.0, 0.2, 0.0, 0.0, 9);
    for (int i = 0; i < fc.n / 2; ++i) fc.at(i, 3) = 1.0F;
    return fc;
  });
}

// Too few iterations: the warning of the limit is posted after the last accepted evaluation,
// so the final one is made again, even with a dependent regressor whose messages it silences.
TEST_F(FitShortcuts, AgreeWhenTheIterationsRunOut) {
  for (std::int32_t limit = 1; limit <= 3; ++limit) {
    SCOPED_TRACE(limit);
    const std::string shown = compare([&] {
      FitCase fc = simulated_case(500, -2.0, 0.25, 0.6, 0.05, 31);
      fc.a.MAXIT = limit;
      return fc;
    });
    EXPECT_NE(shown.find("Too many iterations"), std::string::npos) << shown;
    compare([&] {
      FitCase fc = simulated_case(400, -2.0, 0.25, 0.6, 0.0, 3);
      fc.indef = {1, 2, 2};
      fc.a.MAXIT = limit;
      return fc;
    });
  }
}

// Started at the estimates of a converged fit, the first step already meets the criterion:
// the iteration ends on a Q-N evaluation, which the final N-R one must not be taken for.
TEST_F(FitShortcuts, AgreeWhenStartedAtTheEstimates) {
  FitCase converged = simulated_case(700, -2.0, 0.25, 0.4, -0.03, 11);
  fit(converged, {FinalEvaluation::kAlways, true, Traversal::kBlocks});
  compare([&] {
    FitCase fc = simulated_case(700, -2.0, 0.25, 0.4, -0.03, 11);
    for (std::size_t k = 0; k < 4; ++k) fc.esttab[k] = converged.esttab[k];
    fc.a.INIT = 1;
    return fc;
  });
}

// Missing values, responses other than 0 and 1 (whose case evaluations are still made), and
// the caller's estimates with no iterations.
TEST_F(FitShortcuts, AgreeOnOtherResponsesAndNoIterations) {
  compare([] {
    FitCase fc = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    fc.at(7, 0) = nan;
    fc.at(290, 3) = nan;
    for (int i = 0; i < fc.n; i += 11) fc.at(i, 3) = 0.5F;
    return fc;
  });
  compare([] {
    FitCase fc = simulated_case(500, -2.0, 0.25, -0.3, 0.02, 5);
    fc.obscode.assign(fc.obscode.size(), 0);
    const float start[4] = {-2.0F, 0.25F, -0.3F, 0.02F};
    for (int k = 0; k < 4; ++k) fc.esttab[static_cast<std::size_t>(k)] = start[k];
    fc.a.MAXIT = 0;
    fc.a.INIT = 1;
    return fc;
  });
}

}  // namespace
}  // namespace itemdif::glm::testing
