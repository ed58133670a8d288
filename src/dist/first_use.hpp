// Constants of a routine computed on its first call, once, whichever thread calls first.
#pragma once

#include <atomic>
#include <mutex>

namespace itemdif::dist::detail {

/// A routine's first-call values. The first use computes them (inside the routine, so any
/// message of the computation comes from where it always did); a result that `usable` refuses
/// (a failed term count, say) is handed back but not kept, and the next use computes afresh.
/// Once kept, the values are read without a lock. A computation that ends the run by an
/// exception keeps nothing either.
template <class T>
class FirstUse {
 public:
  template <class Compute, class Usable>
  T get(Compute compute, Usable usable) {
    if (ready_.load(std::memory_order_acquire)) return value_;
    std::lock_guard<std::mutex> lock(mutex_);
    if (ready_.load(std::memory_order_relaxed)) return value_;
    const T value = compute();
    if (usable(value)) {
      value_ = value;
      ready_.store(true, std::memory_order_release);
    }
    return value;
  }

 private:
  std::atomic<bool> ready_{false};
  std::mutex mutex_;
  T value_{};
};

}  // namespace itemdif::dist::detail
