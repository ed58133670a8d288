// Independent pieces of work spread over threads.
#pragma once

#include <cstddef>
#include <functional>

namespace itemdif::irt {

/// Calls work(c) once for every c in 0..n-1 on `threads` threads (0: every core); returns when
/// all are done, rethrowing the first exception. Callers combine per-piece results in piece
/// order, so what they compute does not depend on the number of threads.
void parallel_chunks(std::size_t n, unsigned threads, const std::function<void(std::size_t)>& work);

unsigned thread_count(unsigned threads);

}  // namespace itemdif::irt
