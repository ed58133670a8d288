// The random numbers of the example generators: std::mt19937 (whose sequence the language
// fixes) turned into uniforms and normals here, so the files are the same on every platform.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

class ExampleRandom {
 public:
  explicit ExampleRandom(std::uint32_t seed) : engine_(seed) {}
  /// Uniform on (0, 1), never 0 or 1.
  double uniform() { return (static_cast<double>(engine_()) + 0.5) / 4294967296.0; }
  /// Standard normal by the Box-Muller transform (one of the pair is used).
  double normal() {
    const double u1 = uniform();
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  std::mt19937 engine_;
};
