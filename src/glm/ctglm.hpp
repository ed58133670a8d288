// The generalized-linear-model fitter CTGLM: argument checks, workspace and the hand-over to
// its worker; everything in single precision.
#pragma once

#include <cstdint>

namespace itemdif::glm {

/// The argument list of CTGLM, one member per argument, in the order of the call.
///
/// Tables are column-major with indices starting at 1 in the messages: element (i, j) of X lies
/// at `X[(i - 1) + (j - 1) * LDX]`, of ESTTAB at `ESTTAB[(k - 1) + (c - 1) * LDCOEF]`, of
/// COVEST at `COVEST[(k - 1) + (l - 1) * LDCOV]`, of CASESTAT at
/// `CASESTAT[(i - 1) + (c - 1) * LDCASE]`. Column numbers (ILT, IRT, IFRQ, IFIX, IPAR, ICEN,
/// INDEF, INDCL) count from 1; 0 means "no such column".
///
/// Sizes the caller provides: X at least LDX x NCOL; ESTTAB at least LDCOEF x 4; COVEST at least
/// LDCOV x NCOEF; REGMEAN and LASTUPD at least NCOEF (REGMEAN needs NCOEF - 1, one spare is
/// harmless); CASESTAT at least LDCASE x 5; OBSCODE at least NOBS; NVEF at least NEF; INDEF at
/// least the sum of NVEF; NCLVAL at least NCLVAR (when NCLVAR > 0); CLVAL at least MAXCL x
/// NCLVAR. INDCL, NCLVAL and CLVAL are not touched when NCLVAR is 0 and may then point to a
/// one-element placeholder.
///
/// Inputs the routine may change: IFIX (set to 0 when it names no column) and EPS (set to 0.001
/// when negative). X is only read.
struct CtglmArguments {
  std::int32_t NOBS = 0;    ///< number of observations (rows of X)
  std::int32_t NCOL = 0;    ///< number of columns of X
  const float* X = nullptr; ///< the data table, LDX x NCOL (read only)
  std::int32_t LDX = 0;     ///< leading dimension of X
  std::int32_t MODEL = 3;   ///< model number 0 .. 5 (3 = binomial, logit link)
  std::int32_t ILT = 0;     ///< column of the upper censoring bound; 0 = none
  std::int32_t IRT = 0;     ///< column of the response
  std::int32_t IFRQ = 0;    ///< column of frequencies; 0 = every frequency is 1
  std::int32_t IFIX = 0;    ///< column of a fixed term of the linear predictor; 0 = none (in/out)
  std::int32_t IPAR = 0;    ///< column of the number of trials; 0 = one trial
  std::int32_t ICEN = 0;    ///< column of censoring codes; 0 = none
  std::int32_t INFIN = 1;   ///< 0 = set aside observations that drive estimates to infinity
  std::int32_t MAXIT = 30;  ///< maximum number of iterations
  float EPS = 1.0E-4F;      ///< convergence criterion (in/out)
  std::int32_t INTCEP = 1;  ///< 1 = the model has an intercept
  std::int32_t NCLVAR = 0;  ///< number of classification variables
  const std::int32_t* INDCL = nullptr;  ///< columns of the classification variables
  std::int32_t NEF = 0;                 ///< number of effects
  const std::int32_t* NVEF = nullptr;   ///< number of variables of each effect (NEF)
  const std::int32_t* INDEF = nullptr;  ///< the columns of the variables, effect after effect
  std::int32_t INIT = 0;    ///< 0 = compute initial estimates; 1 = caller's in ESTTAB column 1
  std::int32_t IPRINT = 0;  ///< 0 = no printing
  std::int32_t MAXCL = 1;   ///< capacity for distinct values of classification variables

  std::int32_t* NCLVAL = nullptr;  ///< out: distinct values per classification variable
  float* CLVAL = nullptr;          ///< out: the distinct values
  std::int32_t NCOEF = 0;          ///< out: number of coefficients
  float* ESTTAB = nullptr;         ///< out: estimate, SE, Z, p-value per coefficient
  std::int32_t LDCOEF = 0;         ///< leading dimension of ESTTAB
  float LOGLIK = 0.0F;             ///< out: log-likelihood at the estimates
  float* COVEST = nullptr;         ///< out: asymptotic covariance, LDCOV x NCOEF
  std::int32_t LDCOV = 0;          ///< leading dimension of COVEST
  float* REGMEAN = nullptr;        ///< out: means of the regressors other than the intercept
  float* CASESTAT = nullptr;       ///< out: per observation mu, d1, sqrt|d2|, leverage, std. res.
                                   ///< (null: not computed)
  std::int32_t LDCASE = 0;         ///< leading dimension of CASESTAT
  float* LASTUPD = nullptr;        ///< out: the last update of the estimates
  std::int32_t* OBSCODE = nullptr; ///< out: 0 used, 1 missing value, 2 set aside (in when MAXIT=0)
  std::int32_t NMISSING = 0;       ///< out: number of observations with code 1
};

/// The tables a fit of an intercept and three effects fills, each the caller's: ESTTAB and
/// COVEST 4 x 4, REGMEAN and LASTUPD of 4, CASESTAT NOBS x 5, OBSCODE of NOBS.
struct CtglmResults {
  float* ESTTAB = nullptr;
  float* COVEST = nullptr;
  float* REGMEAN = nullptr;
  float* CASESTAT = nullptr;
  float* LASTUPD = nullptr;
  std::int32_t* OBSCODE = nullptr;
};

/// The arguments of a binomial logit fit of the response in column 4 of the NOBS x 4 table X
/// on an intercept and one effect of each of columns 1, 2 and 3: one trial per observation, no
/// frequencies, fixed term, censoring, classification variables or printing, at most 30
/// iterations to EPS = 1.0E-4 from computed initial estimates, every leading dimension the
/// smallest (LDX = LDCASE = NOBS, LDCOEF = LDCOV = 4). NVEF, INDEF and the class-variable
/// placeholders point to constant tables that outlive every call.
CtglmArguments three_effect_logit(std::int32_t nobs, const float* x,
                                  const CtglmResults& results);

/// Fits the model by maximum likelihood. Every problem is reported through the error stack of
/// the numerical routines (which may end the run by throwing textio::QuietStop); argument
/// errors return without touching the outputs.
void CTGLM(CtglmArguments& a);

}  // namespace itemdif::glm
