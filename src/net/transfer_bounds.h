// The bounds of one HTTP request: how long it may take, how much a loop may read, and whether the
// program is closing. Every read loop of the transfers asks here between reads, with the clock
// passed in so that tests can move it.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest one request may take, from sending it to its last byte. Without it a server that
// sends a byte a second, or headers that never end, holds the worker and every later refresh.
constexpr uint32_t kTransferDeadlineMs = 120000;

// The longest wait between two looks at `closing` and the clock: closing ends a transfer well
// within the shutdown's wait for the worker.
constexpr uint32_t kTransferSliceMs = 50;

// The body of an authentication answer is read only to be dropped: past this many bytes it is
// not worth reading, and the request fails.
constexpr size_t kDiscardLimit = 64 * 1024;

enum class TransferStop {
  kNone,      // go on reading
  kClosing,   // the program is closing
  kDeadline,  // the request has had its time
  kFull,      // the loop has taken all it may
};

struct TransferBudget {
  uint32_t startMs = 0;  // a millisecond tick that wraps round (GetTickCount)
  size_t limit = 0;      // the bytes the loop may take
};

// Why a read loop must stop now, or kNone. Closing comes first, then the deadline, then the size.
// The tick may have wrapped round since the start.
inline TransferStop CheckTransfer(const TransferBudget& budget, uint32_t nowMs, size_t received,
                                  bool closing) {
  if (closing) return TransferStop::kClosing;
  if (static_cast<uint32_t>(nowMs - budget.startMs) >= kTransferDeadlineMs) {
    return TransferStop::kDeadline;
  }
  if (received >= budget.limit) return TransferStop::kFull;
  return TransferStop::kNone;
}

// How long the next wait for the network may last: one slice, cut to what is left of the
// deadline; 0 once it has passed.
inline uint32_t NextWaitMs(const TransferBudget& budget, uint32_t nowMs) {
  const uint32_t elapsed = nowMs - budget.startMs;
  if (elapsed >= kTransferDeadlineMs) return 0;
  const uint32_t left = kTransferDeadlineMs - elapsed;
  return left < kTransferSliceMs ? left : kTransferSliceMs;
}

// What came with an answer besides its bytes: its status code, and whether its body arrived whole
// (see BodyArrivedWhole). Only a whole 200 answer replaces anything kept.
struct HttpAnswer {
  uint32_t status = 0;
  bool whole = false;
};

// A body arrived whole when its read came to its end by itself (not stopped by the buffer, the
// deadline, closing or an error) and, when the server announced a length, that many bytes came.
inline bool BodyArrivedWhole(bool readToEnd, bool lengthAnnounced, uint64_t announced,
                             uint64_t received) {
  return readToEnd && (!lengthAnnounced || announced == received);
}
