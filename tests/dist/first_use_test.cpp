// The first-call values of the routines: computed on the first use and kept, computed again
// while a result is refused or the computation ends by an exception, and computed once when
// many threads ask at the same time.
#include "dist/first_use.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>
#include "support/thrown.hpp"

namespace itemdif::dist::detail {
namespace {

struct Pair {
  int count = 0;
  double value = 0.0;
};

bool counted(const Pair& p) { return p.count != 0; }

TEST(FirstUse, ComputesOnTheFirstUseAndKeepsTheResult) {
  FirstUse<Pair> first_use;
  int calls = 0;
  auto compute = [&] {
    ++calls;
    return Pair{7, 0.25 * calls};
  };
  EXPECT_EQ(calls, 0);
  const Pair a = first_use.get(compute, counted);
  const Pair b = first_use.get(compute, counted);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(a.count, 7);
  EXPECT_EQ(a.value, 0.25);
  EXPECT_EQ(b.value, 0.25);
}

TEST(FirstUse, RefusedResultIsReturnedAndComputedAgain) {
  FirstUse<Pair> first_use;
  int calls = 0;
  auto compute = [&] {
    ++calls;
    return Pair{calls < 3 ? 0 : 5, static_cast<double>(calls)};
  };
  EXPECT_EQ(first_use.get(compute, counted).value, 1.0);
  EXPECT_EQ(first_use.get(compute, counted).count, 0);
  EXPECT_EQ(first_use.get(compute, counted).value, 3.0);
  EXPECT_EQ(first_use.get(compute, counted).value, 3.0);
  EXPECT_EQ(calls, 3);
}

TEST(FirstUse, ComputationEndedByAnExceptionKeepsNothing) {
  FirstUse<Pair> first_use;
  int calls = 0;
  auto compute = [&] {
    if (++calls == 1) throw std::runtime_error("ended");
    return Pair{1, 2.0};
  };
  // The computation's own exception reaches the caller unchanged.
  EXPECT_EQ(itemdif::testing::thrown_message<std::runtime_error>(
                [&] { first_use.get(compute, counted); }),
            "ended");
  EXPECT_EQ(first_use.get(compute, counted).value, 2.0);
  EXPECT_EQ(first_use.get(compute, counted).value, 2.0);
  EXPECT_EQ(calls, 2);
}

TEST(FirstUse, ManyThreadsComputeOnce) {
  FirstUse<Pair> first_use;
  std::atomic<int> calls{0};
  std::atomic<bool> go{false};
  std::vector<double> seen(8, 0.0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < seen.size(); ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < 1000; ++i) {
        const Pair p = first_use.get(
            [&] {
              const int n = ++calls;
              std::this_thread::yield();
              return Pair{n, 1.5 * n};
            },
            counted);
        seen[t] = p.value;
      }
    });
  }
  go.store(true);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(calls.load(), 1);
  for (double v : seen) EXPECT_EQ(v, 1.5);
}

}  // namespace
}  // namespace itemdif::dist::detail
