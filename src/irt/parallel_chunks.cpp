// Independent pieces of work spread over threads.
#include "irt/parallel_chunks.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace itemdif::irt {

unsigned thread_count(unsigned threads) {
  return threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
}

void parallel_chunks(std::size_t n, unsigned threads, const std::function<void(std::size_t)>& work) {
  const std::size_t workers = std::min<std::size_t>(thread_count(threads), n);
  if (workers <= 1) {
    for (std::size_t c = 0; c < n; ++c) work(c);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr first_error;
  std::mutex error_mutex;
  auto run = [&] {
    for (std::size_t c; !failed.load() && (c = next.fetch_add(1)) < n;) {
      try {
        work(c);
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

}  // namespace itemdif::irt
