// Work on independent items spread over threads.
#pragma once

#include <cstddef>
#include <functional>

namespace itemdif::stats {

/// Calls work(j) once for every j in 0..n-1 on `threads` threads (0: every core), each index
/// taken by exactly one thread; returns when all are done. The first exception thrown by any
/// call is rethrown here after the others have stopped taking indices.
void for_each_item(std::size_t n, unsigned threads, const std::function<void(std::size_t)>& work);

}  // namespace itemdif::stats
