// CTGLM and its worker C2GLM: argument checks, workspace and the hand-over to the fit.
#include "glm/ctglm.hpp"

#include <cmath>
#include <new>
#include <stdexcept>

#include "glm/fit.hpp"
#include "glm/fit_context.hpp"
#include "glm/workspace.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::glm {
namespace {

using numerr::E1MES;
using numerr::kTerminal;
using numerr::kWarning;
using numerr::MSGSETI;
using numerr::MSGSETR;
using numerr::N1RCD;

// More failed response rows than this end the row checks early.
constexpr int kMaxReportedRows = 10;

void terminal(std::int32_t code, const char* text) { E1MES(kTerminal, code, text); }

// True when no error code stands at the current routine's level.
bool clean() { return N1RCD(0) == 0; }

/// The checks of the table's shape and the effects, by groups; false when one failed.
bool check_shape(const CtglmArguments& a) {
  if (a.NOBS < 1) {
    MSGSETI(1, a.NOBS);
    terminal(1, "NOBS = %(I1). NOBS must be greater than 0.");
  }
  if (a.LDX < a.NOBS) {
    MSGSETI(1, a.LDX);
    MSGSETI(2, a.NOBS);
    terminal(2, "LDX = %(I1). LDX must be greater than or equal to NOBS = %(I2).");
  }
  if (a.LDCASE < a.NOBS) {
    MSGSETI(1, a.LDCASE);
    MSGSETI(2, a.NOBS);
    terminal(3, "LDCASE = %(I1). LDCASE must be greater than or equal to NOBS = %(I2).");
  }
  if (a.NCOL < 1) {
    MSGSETI(1, a.NCOL);
    terminal(4, "NCOL = %(I1). NCOL must be greater than or equal to 1.");
  }
  if (a.NEF < 0) {
    MSGSETI(1, a.NEF);
    terminal(5, "NEF = %(I1). NEF must be greater than or equal to 0.");
  }
  if (a.INTCEP != 0 && a.INTCEP != 1) {
    MSGSETI(1, a.INTCEP);
    terminal(6, "INTCEP = %(I1). INTCEP must be either 0 or 1.");
  }
  if (!clean()) return false;

  for (std::int32_t e = 0; e < a.NEF; ++e) {
    if (a.NVEF[e] < 1) {
      MSGSETI(1, e + 1);
      MSGSETI(2, a.NVEF[e]);
      terminal(7, "NVEF(%(I1)) = %(I2).  An effect must have at least one variable.");
    }
  }
  if (!clean()) return false;

  std::int32_t position = 0;
  for (std::int32_t e = 0; e < a.NEF; ++e) {
    for (std::int32_t v = 0; v < a.NVEF[e]; ++v, ++position) {
      const std::int32_t column = a.INDEF[position];
      if (column < 1 || column > a.NCOL) {
        MSGSETI(1, e + 1);
        MSGSETI(2, v + 1);
        MSGSETI(3, column);
        MSGSETI(4, a.NCOL);
        MSGSETI(5, position + 1);
        terminal(8,
                 "INDEF(%(I5)) = %(I3). Variable %(I2) in effect %(I1) is given as %(I3).  Any "
                 "index less than 1 and greater than NCOL = %(I4) is not allowed.");
      }
    }
  }
  if (!clean()) return false;

  if (a.NCLVAR < 0) {
    MSGSETI(1, a.NCLVAR);
    terminal(9, "NCLVAR = %(I1). NCLVAR must be greater than or equal to 0.");
  }
  if (a.NCLVAR > 0 && a.MAXCL < 1) {
    MSGSETI(1, a.MAXCL);
    terminal(10,
             "MAXCL = %(I1). MAXCL must be greater than or equal to 1 when NCLVAR is greater "
             "than zero.");
  }
  if (!clean()) return false;

  if (a.NCLVAR > 0) {
    MSGSETI(1, a.NCLVAR);
    terminal(29, "NCLVAR = %(I1).  Classification variables are not available; NCLVAR must be 0.");
    return false;
  }
  return true;
}

/// The tables of the results against the number of coefficients.
bool check_results(const CtglmArguments& a, std::int32_t ncoef) {
  if (a.LDCOEF < ncoef) {
    MSGSETI(1, a.LDCOEF);
    MSGSETI(2, ncoef);
    terminal(11, "LDCOEF = %(I1). LDCOEF must be greater than or equal to NCOEF = %(I2).");
  }
  if (a.LDCOV < ncoef) {
    MSGSETI(1, a.LDCOV);
    MSGSETI(2, ncoef);
    terminal(12, "LDCOV = %(I1). LDCOV must be greater than or equal to NCOEF = %(I2).");
  }
  return clean();
}

/// The checks of the second table (C2GLM), including the response rows and EPS.
bool check_model(CtglmArguments& a) {
  if (a.IPRINT < 0 || a.IPRINT > 2) {
    MSGSETI(1, a.IPRINT);
    terminal(13, "IPRINT = %(I1). IPRINT must be either 0, 1, or 2.");
  }
  if (a.MODEL < 0 || a.MODEL > 5) {
    MSGSETI(1, a.MODEL);
    terminal(14, "MODEL = %(I1). MODEL must be either 0, 1, 2, 3, 4, or, 5.");
  }
  if (a.INFIN != 0 && a.INFIN != 1) {
    MSGSETI(1, a.INFIN);
    terminal(15, "INFIN = %(I1). INFIN must be 0 or 1.");
  }
  if (a.INIT != 0 && a.INIT != 1) {
    MSGSETI(1, a.INIT);
    terminal(16, "INIT = %(I1). INIT must be 0 or 1.");
  }
  if (a.ICEN < 0 || a.ICEN > a.NCOL) {
    MSGSETI(1, a.ICEN);
    MSGSETI(2, a.NCOL);
    terminal(17,
             "ICEN = %(I1). ICEN must be greater than or equal to 1 and less than or equal to "
             "NCOL = %(I2).");
  }
  if (a.ILT < 0 || a.ILT > a.NCOL) {
    MSGSETI(1, a.ILT);
    MSGSETI(3, a.NCOL);
    terminal(18,
             "ILT = %(I1). ILT must be greater than or equal to 0 and less than or equal to "
             "NCOL = %(I3).");
  }
  if (a.IRT < 1 || a.IRT > a.NCOL) {
    MSGSETI(1, a.IRT);
    MSGSETI(3, a.NCOL);
    terminal(19,
             "IRT = %(I1). IRT must be greater than or equal to 1 and less than or equal to "
             "NCOL = %(I3).");
  }
  if (a.IFRQ < 0 || a.IFRQ > a.NCOL) {
    MSGSETI(1, a.IFRQ);
    MSGSETI(2, a.NCOL);
    terminal(20,
             "IFRQ = %(I1). IFRQ must be greater than or equal to 0 and less than or equal to "
             "NCOL = %(I2).");
  }
  if (a.IPAR < 0 || a.IPAR > a.NCOL) {
    MSGSETI(1, a.IPAR);
    MSGSETI(2, a.NCOL);
    terminal(21,
             "IPAR = %(I1). IPAR must be greater than or equal to 0 and less than or equal to "
             "NCOL = %(I2).");
  }
  if (a.IFIX < 0 || a.IFIX > a.NCOL) {
    MSGSETI(1, a.IFIX);
    MSGSETI(2, a.NCOL);
    E1MES(kWarning, 22,
          "IFIX = %(I1). IFIX must be greater than or equal to 0 and less than or equal to NCOL "
          "= %(I2). IFIX is being set to 0.");
    a.IFIX = 0;
  }
  if (!clean()) return false;

  // What this engine leaves out: only the binomial logit model without frequencies, trials,
  // censoring, printed tables or the setting aside of observations is fitted.
  if (a.IPRINT != 0) {
    MSGSETI(1, a.IPRINT);
    terminal(30, "IPRINT = %(I1).  Printed tables are not available; IPRINT must be 0.");
  }
  if (a.MODEL != 3) {
    MSGSETI(1, a.MODEL);
    terminal(31,
             "MODEL = %(I1).  Only model number 3 (binomial response, logit link) is "
             "available.");
  }
  if (a.INFIN != 1) {
    MSGSETI(1, a.INFIN);
    terminal(32,
             "INFIN = %(I1).  Observations driving estimates to infinity are not set aside "
             "here; INFIN must be 1.");
  }
  if (a.ICEN != 0 || a.ILT != 0) {
    MSGSETI(1, a.ICEN);
    MSGSETI(2, a.ILT);
    terminal(33, "ICEN = %(I1), ILT = %(I2).  Censoring is not available; both must be 0.");
  }
  if (a.IFRQ != 0) {
    MSGSETI(1, a.IFRQ);
    terminal(34, "IFRQ = %(I1).  A frequency column is not available; IFRQ must be 0.");
  }
  if (a.IPAR != 0) {
    MSGSETI(1, a.IPAR);
    terminal(35, "IPAR = %(I1).  A column of trials is not available; IPAR must be 0.");
  }
  for (std::int32_t e = 0; e < a.NEF; ++e) {
    if (a.NVEF[e] != 1) {
      MSGSETI(1, e + 1);
      MSGSETI(2, a.NVEF[e]);
      terminal(36,
               "NVEF(%(I1)) = %(I2).  Effects of more than one variable are not available.");
    }
  }
  if (!clean()) return false;

  if (a.MAXIT < 0) {
    MSGSETI(1, a.MAXIT);
    terminal(23, "MAXIT = %(I1). MAXIT must be greater than or equal to 0.");
  }
  if (a.MAXIT == 0 && a.INIT != 1) {
    MSGSETI(1, a.INIT);
    terminal(24, "INIT = %(I1). INIT must be 1 when MAXIT = 0.");
  }
  if (a.NEF == 0 && a.INTCEP == 0) {
    terminal(25, "NEF = 0 and INTCEP = 0. With no linear response nothing can be estimated.");
  }
  if (!clean()) return false;

  // The model is number 3 by now, whose responses start at 0.
  constexpr std::int32_t lower = 0;
  const float* response = a.X + static_cast<std::size_t>(a.IRT - 1) * static_cast<std::size_t>(a.LDX);
  const auto limit = static_cast<float>(lower);
  int failed = 0;
  for (std::int32_t i = 0; i < a.NOBS; ++i) {
    // A missing response is not checked; one at the whole-number limit or above needs no
    // rounding to pass.
    const float y = response[i];
    if (!(y < limit) || std::round(y) >= limit) continue;
    MSGSETI(1, i + 1);
    MSGSETI(2, a.IRT);
    MSGSETR(1, y);
    MSGSETI(3, a.MODEL);
    MSGSETI(4, lower);
    terminal(26,
             "X(%(I1),IRT=%(I2)) = %(R1).  The observation point must be greater than or "
             "equal to %(I4) for model number %(I3).");
    if (++failed > kMaxReportedRows) return false;
  }
  if (!clean()) return false;

  if (a.EPS < 0.0F) {
    constexpr float kDefaultEps = 0.001F;
    MSGSETR(1, a.EPS);
    MSGSETR(2, kDefaultEps);
    E1MES(kWarning, 27,
          "EPS = %(R1).  A negative convergence criterion is not allowed. EPS is reset to "
          "%(R2).");
    a.EPS = kDefaultEps;
  }
  return true;
}

void C2GLM(CtglmArguments& a, Workspace& workspace) {
  numerr::RoutineScope scope{"C2GLM "};
  // The shape and the result tables were checked by CTGLM on the same arguments (NCOEF is the
  // count it checked them against), so only the checks of the model remain.
  if (!check_model(a)) return;

  // X is read in place, column by column: cheaper than turning it into observation-major
  // order and back, and it leaves the caller's table untouched.
  FitContext fit(a, a.NCOEF, workspace.floats.data());
  C3GLM(fit, Traversal::kBlocks);
}

}  // namespace

CtglmArguments three_effect_logit(std::int32_t nobs, const float* x,
                                  const CtglmResults& results) {
  static constexpr std::int32_t kOneVariableEach[3] = {1, 1, 1};
  static constexpr std::int32_t kFirstThreeColumns[3] = {1, 2, 3};
  static constexpr std::int32_t kNoClassColumn = 0;
  // Written only for classification variables, of which this fit has none.
  static std::int32_t no_class_value_count = 0;
  static float no_class_value = 0.0F;

  CtglmArguments a;
  a.NOBS = nobs;
  a.NCOL = 4;
  a.X = x;
  a.LDX = nobs;
  a.MODEL = 3;
  a.ILT = 0;
  a.IRT = 4;
  a.IFRQ = 0;
  a.IFIX = 0;
  a.IPAR = 0;
  a.ICEN = 0;
  a.INFIN = 1;
  a.MAXIT = 30;
  a.EPS = 1.0E-4F;
  a.INTCEP = 1;
  a.NCLVAR = 0;
  a.INDCL = &kNoClassColumn;
  a.NEF = 3;
  a.NVEF = kOneVariableEach;
  a.INDEF = kFirstThreeColumns;
  a.INIT = 0;
  a.IPRINT = 0;
  a.MAXCL = 1;
  a.NCLVAL = &no_class_value_count;
  a.CLVAL = &no_class_value;
  a.ESTTAB = results.ESTTAB;
  a.LDCOEF = 4;
  a.COVEST = results.COVEST;
  a.LDCOV = 4;
  a.REGMEAN = results.REGMEAN;
  a.CASESTAT = results.CASESTAT;
  a.LDCASE = nobs;
  a.LASTUPD = results.LASTUPD;
  a.OBSCODE = results.OBSCODE;
  return a;
}

bool Workspace::reserve(std::int32_t ncoef, std::int32_t nmax, std::size_t max_floats) {
  // Each observation set aside keeps its regressors, its response and its number.
  const std::uint64_t float_count = FitContext::workspace_size(ncoef) +
                                    static_cast<std::uint64_t>(nmax) *
                                        static_cast<std::uint64_t>(ncoef + 2);
  if (float_count > max_floats) return false;
  try {
    floats.assign(static_cast<std::size_t>(float_count), 0.0F);
  } catch (const std::bad_alloc&) {
    floats = {};
    return false;
  } catch (const std::length_error&) {
    floats = {};
    return false;
  }
  return true;
}

void CTGLM(CtglmArguments& a) { ctglm_with_workspace_cap(a, kUncappedWorkspace); }

void ctglm_with_workspace_cap(CtglmArguments& a, std::size_t max_floats) {
  numerr::RoutineScope scope{"CTGLM "};
  if (!check_shape(a)) return;

  // Every effect of continuous variables gives one regressor.
  const std::int32_t ncoef = a.NEF + a.INTCEP;
  if (!check_results(a, ncoef)) return;

  std::int32_t nmax = a.INFIN == 0 ? (a.NOBS > 100 ? a.NOBS : 100) : 0;
  Workspace workspace;
  bool reserved = workspace.reserve(ncoef, nmax, max_floats);
  while (!reserved && nmax > 0) {
    nmax = static_cast<std::int32_t>(static_cast<float>(nmax) * 0.9F);
    if (nmax > 0) reserved = workspace.reserve(ncoef, nmax, max_floats);
  }
  if (!reserved) {
    MSGSETI(1, a.NOBS);
    MSGSETI(2, ncoef);
    MSGSETI(3, nmax);
    terminal(28,
             "The required storage cannot be allocated.  The above workspace allocation is "
             "based upon NOBS = %(I1), NCOEF = %(I2), and NMAX = %(I3).");
    return;
  }

  a.NCOEF = ncoef;
  C2GLM(a, workspace);
}

}  // namespace itemdif::glm
