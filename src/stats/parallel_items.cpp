// Work on independent items spread over threads.
#include "stats/parallel_items.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace itemdif::stats {

void for_each_item(std::size_t n, unsigned threads, const std::function<void(std::size_t)>& work) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(threads, n);
  if (workers <= 1) {
    for (std::size_t j = 0; j < n; ++j) work(j);
    return;
  }
  // Items are handed out one at a time: their costs differ, and the order of the results does
  // not depend on which thread computed them.
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr first_error;
  std::mutex error_mutex;
  auto run = [&] {
    for (std::size_t j; !failed.load() && (j = next.fetch_add(1)) < n;) {
      try {
        work(j);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(error_mutex);
        if (!first_error) first_error = std::current_exception();
        failed = true;
      }
    }
  };
  {
    std::vector<std::jthread> pool;
    for (std::size_t w = 1; w < workers; ++w) pool.emplace_back(run);
    run();
  }
  if (first_error) std::rethrow_exception(first_error);
}

}  // namespace itemdif::stats
