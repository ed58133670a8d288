// The logistic-regression procedure: one logit fit per item on trait, group and their product.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/levels.hpp"
#include "driver/run_data.hpp"
#include "glm/logit_fit.hpp"

namespace itemdif::driver {

/// An item's fit: intercept, trait, group and trait x group, as the fit gives them in single
/// precision, and the log-likelihood.
using ItemFit = glm::LogitFit;
using FitCoefficient = glm::Coefficient;

/// The fits of every item against one design: the trait is the total without the `purged`
/// items (plus the item's own score when the item itself is purged), the group code is +0.5
/// for the reference and -0.5 for the focal group, and the third regressor is their product.
/// The design is made once; each fit fills the item's columns afresh.
class LogisticProcedure {
 public:
  /// Throws IoError 41 when the design cannot be had or has more rows than the fit can count.
  LogisticProcedure(const RunData& run, const std::vector<std::size_t>& purged);
  LogisticProcedure(const LogisticProcedure&) = delete;
  LogisticProcedure& operator=(const LogisticProcedure&) = delete;

  /// Fits item `j`. Warnings of the fit go to the error facility, which may end the run.
  ItemFit fit(std::size_t j);

  /// A procedure on the same design with a design buffer and a fitter of its own, for a
  /// thread that fits items at the same time; throws std::bad_alloc or std::length_error when
  /// its tables cannot be had.
  std::unique_ptr<LogisticProcedure> another() const;

 private:
  LogisticProcedure(const LogisticProcedure& shared, std::size_t rows);
  void set_group_codes();

  const RunData& run_;
  std::shared_ptr<const Matching> matching_;
  std::vector<char> purged_;  // by item
  std::vector<float> design_;  // column after column: trait, group, product, response
  std::size_t rows_ = 0;
  std::unique_ptr<glm::LogitFitter> fitter_;
};

}  // namespace itemdif::driver
