// The logistic procedure's fits computed ahead of the report on worker threads, each worker
// with a design buffer, a fitter and an error facility of its own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "driver/logistic_procedure.hpp"
#include "numerr/facility_state.hpp"

namespace itemdif::driver {

/// Fits of items 0 .. n - 1 made ahead, in item order as workers come free. A worker's fit
/// counts only when it touched the error facility in no way that shows (it printed nothing,
/// ended normally and left the state as it found it) and found the state the calling thread
/// has when it asks for the item, but for the error recorded at the caller's level and the
/// pending message, which such a fit neither reads nor writes. Every other item, and every
/// item no worker has started when it is asked for, is the caller's to fit, exactly as
/// without workers (messages and ends included).
class FitsAhead {
 public:
  /// Starts `workers` threads (none when 0) on the design of `procedure`, from the calling
  /// thread's facility as it stands. A worker that cannot have its tables or its thread
  /// leaves its items to the others and the caller.
  FitsAhead(const LogisticProcedure& procedure, std::size_t n_items, std::size_t workers);
  /// Stops the workers after the fits they are making.
  ~FitsAhead();
  FitsAhead(const FitsAhead&) = delete;
  FitsAhead& operator=(const FitsAhead&) = delete;

  /// Item j's fit when a worker's counts (the calling thread's facility then takes the state
  /// that fit left); nothing when the caller must fit j itself. Items are asked for in
  /// ascending order.
  std::optional<ItemFit> take(std::size_t j);

  /// Waits until the workers have made every fit they will make. For tests, which can then
  /// know which items a worker made.
  void wait_for_workers();
  /// The items whose worker fit was taken so far.
  std::size_t taken() const { return taken_; }

 private:
  enum class Stage { open, claimed, done };
  struct Outcome {
    Stage stage = Stage::open;
    bool usable = false;
    ItemFit fit;
    // Held only between a worker's fit and its taking: a state is a few kilobytes.
    std::optional<numerr::FacilityState> start;
    std::optional<numerr::FacilityState> end;
  };

  void work();
  /// The next open item for a worker, claimed, with the caller's latest facility state in
  /// `start`; nothing when none is left or the run stops.
  std::optional<std::size_t> claim(numerr::FacilityState& start);

  const LogisticProcedure& procedure_;
  numerr::FacilityState latest_;  // the caller's state when it last asked for an item
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<Outcome> outcomes_;
  std::size_t next_ = 0;  // items below it are claimed
  bool stopping_ = false;
  std::size_t running_ = 0;  // workers not yet ended
  std::size_t taken_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace itemdif::driver
