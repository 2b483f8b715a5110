// Whether a refresh worker exists, kept as one state that the starter, the worker and shutdown all
// read the same way.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// The gate is claimed before the worker's thread is started and given back by that thread as its
// very last act, after it has left the refresh lock and touched everything it is going to touch.
// There is therefore no moment in which a worker runs while the gate reads idle: neither before
// the new thread has got going nor between its leaving the lock and its end. Once closed, the gate
// lets no worker start again, so an idle answer after Close stays true.
//
// It works over the process's `refreshRunning` flag, so that everything that reads the flag (the
// menu greys "Update Now" by it) sees this state: non-zero while a worker exists or after Close.
class WorkerGate {
 public:
  explicit WorkerGate(std::atomic<int32_t>& state) : state_(state) {}

  // Claims the gate for a new worker: false while one exists, or once the gate is closed.
  bool TryStart();
  // Gives the claim back: the worker's last act, or the starter's when no thread could be made.
  void Finished();
  // From now on no worker starts; one that runs goes on until it finishes.
  void Close();
  bool WorkerExists() const;
  // While a worker exists, calls pump(), at most `pumps` times; true when none exists at the end.
  // Close first, or a worker may start right after the answer.
  bool WaitIdle(int pumps, const std::function<void()>& pump) const;

 private:
  static constexpr int32_t kWorker = 1;
  static constexpr int32_t kClosed = 2;
  std::atomic<int32_t>& state_;
};
