// The refresh worker's gate: one atomic word, a worker bit and a closed bit.
#include "feed/worker_gate.h"

bool WorkerGate::TryStart() {
  int32_t expected = 0;
  return state_.compare_exchange_strong(expected, kWorker, std::memory_order_acq_rel);
}

void WorkerGate::Finished() {
  // Release: everything the worker did happens before a waiter's idle answer.
  state_.fetch_and(~kWorker, std::memory_order_release);
}

void WorkerGate::Close() { state_.fetch_or(kClosed, std::memory_order_acq_rel); }

bool WorkerGate::WorkerExists() const {
  return (state_.load(std::memory_order_acquire) & kWorker) != 0;
}

bool WorkerGate::WaitIdle(int pumps, const std::function<void()>& pump) const {
  for (int i = 0; i < pumps && WorkerExists(); ++i) {
    if (pump) pump();
  }
  return !WorkerExists();
}
