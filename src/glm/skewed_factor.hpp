// The factor of four columns rotated in four vector lanes at once: lane k rotates column k,
// and a row moves one lane on at each step, so that lane k works on the row that lane k - 1
// had the step before. Each row still meets column 0, then 1, 2 and 3, each column still
// meets the rows in their order, and every value goes through the operations of
// detail::rotate_row in its order: the factor is the same to the bit. What the skew buys is
// that the four columns' dependent chains of division and multiplication run side by side
// instead of one after another.
#pragma once

#if defined(__SSE2__)

#include <emmintrin.h>

#include <bit>
#include <cstddef>

#include "glm/givens.hpp"

#define ITEMDIF_SKEWED_FACTOR 1

namespace itemdif::glm {

class SkewedFactor4 {
 public:
  explicit SkewedFactor4(RegressionFactor& factor) : factor_(factor) {
    d_ = _mm_loadu_ps(factor.d_);
    theta_ = _mm_loadu_ps(factor.theta_);
    colmin_ = _mm_loadu_ps(factor.colmin_);
    colmax_ = _mm_loadu_ps(factor.colmax_);
    const float* u = factor.u_;
    // Lane k of u_m holds U(k, k + m); lanes past the last column hold 0 and are never kept.
    u1_ = _mm_setr_ps(u[0 * 4 + 1], u[1 * 4 + 2], u[2 * 4 + 3], 0.0F);
    u2_ = _mm_setr_ps(u[0 * 4 + 2], u[1 * 4 + 3], 0.0F, 0.0F);
    u3_ = _mm_setr_ps(u[0 * 4 + 3], 0.0F, 0.0F, 0.0F);
    sserr_ = *factor.sserr_;
  }

  /// As RegressionFactor::add_row: the row enters lane 0.
  [[gnu::always_inline]] void add_row(const float* a, float z, float sign) {
    const __m128 row = _mm_loadu_ps(a);
    colmin_ = _mm_min_ps(row, colmin_);
    colmax_ = _mm_max_ps(row, colmax_);
    step(row, z, sign, true);
  }

  /// Lets the rows still on their way through the lanes finish, then puts the state back.
  void store() {
    for (int k = 0; k < 3; ++k) step(_mm_setzero_ps(), 0.0F, 0.0F, false);
    float* u = factor_.u_;
    alignas(16) float l1[4], l2[4], l3[4];
    _mm_store_ps(l1, u1_);
    _mm_store_ps(l2, u2_);
    _mm_store_ps(l3, u3_);
    u[0 * 4 + 1] = l1[0];
    u[1 * 4 + 2] = l1[1];
    u[2 * 4 + 3] = l1[2];
    u[0 * 4 + 2] = l2[0];
    u[1 * 4 + 3] = l2[1];
    u[0 * 4 + 3] = l3[0];
    _mm_storeu_ps(factor_.d_, d_);
    _mm_storeu_ps(factor_.theta_, theta_);
    _mm_storeu_ps(factor_.colmin_, colmin_);
    _mm_storeu_ps(factor_.colmax_, colmax_);
    *factor_.sserr_ = sserr_;
  }

 private:
  // x moved up one lane, with lane 0 of `first` in its lane 0.
  static __m128 shifted(__m128 x, __m128 first) {
    const __m128 up = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(x), 4));
    return _mm_move_ss(up, first);
  }
  static __m128 select(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
  }
  static float lane3(__m128 x) { return _mm_cvtss_f32(_mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 3, 3))); }

  // One step: every row moves on one lane (the one in lane 3 has left), a new row (or none)
  // enters lane 0, and each lane meets its row as one pass of rotate_row's loop at its column.
  [[gnu::always_inline]] void step(__m128 row, float z, float sign, bool entering) {
    // The row's entries from its lane's column on: a0 is the entry at the column.
    const __m128 zero = _mm_setzero_ps();
    __m128 a0 = shifted(a1_, row);
    __m128 a1 = shifted(a2_, _mm_shuffle_ps(row, row, _MM_SHUFFLE(1, 1, 1, 1)));
    __m128 a2 = shifted(a3_, _mm_shuffle_ps(row, row, _MM_SHUFFLE(2, 2, 2, 2)));
    __m128 a3 = _mm_move_ss(zero, _mm_shuffle_ps(row, row, _MM_SHUFFLE(3, 3, 3, 3)));
    __m128 w = shifted(w_, _mm_set_ss(sign));
    __m128 zz = shifted(z_, _mm_set_ss(z));
    __m128 live = shifted(live_, _mm_set_ss(entering ? kAllOnes : 0.0F));

    // "if (w == 0) return": the row ends, with nothing added to the residual sum.
    live = _mm_andnot_ps(_mm_cmpeq_ps(w, zero), live);
    // "if (ak == 0) continue": the row passes the column unchanged.
    __m128 act = _mm_andnot_ps(_mm_cmpeq_ps(a0, zero), live);
    const __m128 wa = _mm_mul_ps(w, a0);
    const __m128 dpi = _mm_add_ps(d_, _mm_mul_ps(wa, a0));
    // "if (dpi == 0) { d = 0; return; }"
    const __m128 annihilated = _mm_and_ps(act, _mm_cmpeq_ps(dpi, zero));
    act = _mm_andnot_ps(annihilated, act);
    live = _mm_andnot_ps(annihilated, live);
    const __m128 cbar = _mm_div_ps(d_, dpi);
    const __m128 sbar = _mm_div_ps(wa, dpi);
    w = select(act, _mm_mul_ps(cbar, w), w);
    d_ = select(annihilated, zero, select(act, dpi, d_));
    const auto rotate = [&](__m128& aj, __m128& ukj) {
      const __m128 old = aj;
      aj = select(act, _mm_sub_ps(old, _mm_mul_ps(a0, ukj)), old);
      ukj = select(act, _mm_add_ps(_mm_mul_ps(cbar, ukj), _mm_mul_ps(sbar, old)), ukj);
    };
    rotate(a1, u1_);
    rotate(a2, u2_);
    rotate(a3, u3_);
    const __m128 zk = zz;
    zz = select(act, _mm_sub_ps(zk, _mm_mul_ps(a0, theta_)), zk);
    theta_ = select(act, _mm_add_ps(_mm_mul_ps(cbar, theta_), _mm_mul_ps(sbar, zk)), theta_);

    // The row in lane 3 has met every column: "sserr += w * z * z".
    if ((_mm_movemask_ps(live) & 8) != 0) {
      const float wl = lane3(w);
      const float zl = lane3(zz);
      sserr_ += wl * zl * zl;
    }
    a1_ = a1;
    a2_ = a2;
    a3_ = a3;
    w_ = w;
    z_ = zz;
    live_ = live;
  }

  static inline const float kAllOnes = std::bit_cast<float>(0xFFFFFFFFu);

  RegressionFactor& factor_;
  __m128 d_, theta_, u1_, u2_, u3_, colmin_, colmax_;
  float sserr_ = 0.0F;
  // The rows on their way, by lane: entries after the lane's column, weight, response, and
  // whether the lane holds a row that is still being rotated.
  __m128 a1_ = _mm_setzero_ps(), a2_ = _mm_setzero_ps(), a3_ = _mm_setzero_ps();
  __m128 w_ = _mm_setzero_ps(), z_ = _mm_setzero_ps(), live_ = _mm_setzero_ps();
};

}  // namespace itemdif::glm

#endif  // __SSE2__
