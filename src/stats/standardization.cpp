// The standardization method.
#include "stats/standardization.hpp"

#include <array>

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 3> kColumns = {&column::std_p_dif, &column::std_se,
                                                  &column::std_class};

MethodValues compute(const ItemInput& item) {
  const StdValues values = std_values(item.levels, item.range);
  MethodValues method_values;
  method_values.cells =
      cells_of(number_cell(values.p_dif), number_cell(values.se), class_cell(values.std_class));
  return method_values;
}

}  // namespace

Method standardization_method() {
  return {"std", "standardization (STD P-DIF)", true, kColumns, compute};
}

}  // namespace itemdif::stats
