// Classing the observations by the bits of their values, through a small open-addressing table.
#include "glm/row_classes.hpp"

#include <bit>

#include "glm/fit_context.hpp"

namespace itemdif::glm {
namespace {

using Key = std::array<std::uint32_t, 5>;

// Twice the classes at most, so that the probes stay short.
constexpr std::size_t kSlots = 2 * kMaxRowClasses;
static_assert(std::has_single_bit(kSlots));

std::size_t hash(const Key& key) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL;
  for (std::uint32_t word : key) h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
  return static_cast<std::size_t>(h >> 40) & (kSlots - 1);
}

// Word by word: the library's comparison of arrays calls memcmp for 20 bytes.
bool same(const Key& a, const Key& b) {
  return ((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2]) | (a[3] ^ b[3]) | (a[4] ^ b[4])) == 0;
}

}  // namespace

std::optional<RowClasses> classify_rows(const FitContext& fit) {
  const CtglmArguments& a = fit.args;
  const auto n = static_cast<std::size_t>(a.NOBS);
  const float* columns[3] = {fit.column(1), fit.column(2), fit.column(3)};
  const float* fixed = a.IFIX > 0 ? fit.x_column(a.IFIX) : nullptr;
  const float* response = fit.x_column(a.IRT);

  RowClasses classes;
  classes.of.assign(n, kNotClassed);
  std::vector<std::uint16_t> slot_class(kSlots, kNotClassed);
  std::vector<Key> keys;
  Key last{};
  std::uint16_t last_class = kNotClassed;
  for (std::size_t i = 0; i < n; ++i) {
    if (a.OBSCODE[i] != 0) continue;
    const std::array<float, 5> values = {columns[0][i], columns[1][i], columns[2][i],
                                         fixed != nullptr ? fixed[i] : 0.0F, response[i]};
    const Key key = std::bit_cast<Key>(values);
    if (last_class != kNotClassed && same(key, last)) {
      classes.of[i] = last_class;
      continue;
    }
    std::size_t slot = hash(key);
    while (slot_class[slot] != kNotClassed && !same(keys[slot_class[slot]], key))
      slot = (slot + 1) & (kSlots - 1);
    if (slot_class[slot] == kNotClassed) {
      if (keys.size() == kMaxRowClasses) return std::nullopt;
      slot_class[slot] = static_cast<std::uint16_t>(keys.size());
      keys.push_back(key);
      classes.values.push_back(values);
    }
    last = key;
    last_class = slot_class[slot];
    classes.of[i] = last_class;
  }
  return classes;
}

}  // namespace itemdif::glm
