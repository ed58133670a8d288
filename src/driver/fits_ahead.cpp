// The logistic procedure's fits computed ahead on worker threads.
#include "driver/fits_ahead.hpp"

#include <exception>
#include <utility>

namespace itemdif::driver {

FitsAhead::FitsAhead(const LogisticProcedure& procedure, std::size_t n_items,
                     std::size_t workers)
    : procedure_(procedure), latest_(numerr::save_facility()), outcomes_(n_items) {
  for (std::size_t w = 0; w < workers; ++w) {
    const std::lock_guard<std::mutex> lock(mutex_);
    try {
      workers_.emplace_back([this] {
        work();
        {
          const std::lock_guard<std::mutex> ended(mutex_);
          --running_;
        }
        done_.notify_all();
      });
      ++running_;
    } catch (const std::exception&) {
      break;  // no thread: its items are fitted by the caller
    }
  }
}

FitsAhead::~FitsAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  for (std::thread& worker : workers_) worker.join();
}

std::optional<std::size_t> FitsAhead::claim(numerr::FacilityState& start) {
  const std::lock_guard<std::mutex> lock(mutex_);
  while (next_ < outcomes_.size() && outcomes_[next_].stage != Stage::open) ++next_;
  if (stopping_ || next_ >= outcomes_.size()) return std::nullopt;
  outcomes_[next_].stage = Stage::claimed;
  start = latest_;
  return next_++;
}

void FitsAhead::work() {
  std::unique_ptr<LogisticProcedure> procedure;
  try {
    procedure = procedure_.another();
  } catch (const std::exception&) {
    return;  // no tables: the items are left to the caller and the other workers
  }
  // What a fit here would have printed shows only as a count; such a fit is made again by
  // the caller, who prints it.
  numerr::silence_messages();

  numerr::FacilityState start;
  while (const std::optional<std::size_t> j = claim(start)) {
    // Each fit starts from the caller's latest state, so that a change of the tables or the
    // stack there holds up only the fits already under way.
    // The caller's entry and message are marked, so that a fit that leaves them alone, and
    // reads them only to print, counts whatever the caller has there by then.
    numerr::load_facility(start.with_caller_marked());
    Outcome outcome;
    const std::uint64_t silenced = numerr::silenced_messages();
    try {
      outcome.fit = procedure->fit(*j);
      outcome.end = numerr::save_facility();
      outcome.usable = numerr::silenced_messages() == silenced && outcome.end->caller_marked() &&
                       outcome.end->same_but_caller(start);
    } catch (...) {
      outcome.usable = false;  // the caller meets the same end in its own fit
    }
    outcome.start = start;
    outcome.stage = Stage::done;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      outcomes_[*j] = std::move(outcome);
    }
    done_.notify_all();
  }
}

std::optional<ItemFit> FitsAhead::take(std::size_t j) {
  std::unique_lock<std::mutex> lock(mutex_);
  latest_ = numerr::save_facility();
  Outcome& outcome = outcomes_[j];
  if (outcome.stage == Stage::open) {
    // No worker has started it: waiting would only idle this thread.
    outcome.stage = Stage::done;
    return std::nullopt;
  }
  done_.wait(lock, [&] { return outcome.stage == Stage::done; });
  lock.unlock();
  // A fit that left the facility as it found it, found it as this thread has it now but for
  // what it neither wrote nor read: made here it would give the same values and leave the
  // same state.
  const bool taken = outcome.usable && outcome.start->same_but_caller(latest_);
  if (taken) numerr::load_facility(outcome.end->with_caller_of(latest_));
  outcome.start.reset();
  outcome.end.reset();
  if (!taken) return std::nullopt;
  ++taken_;
  return outcome.fit;
}

void FitsAhead::wait_for_workers() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return running_ == 0; });
}

}  // namespace itemdif::driver
