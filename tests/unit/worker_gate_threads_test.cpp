// The refresh worker's gate: its transitions as a table, and starts, finishes and shutdowns in
// tight loops with real threads. Under ThreadSanitizer a worker that still touches what shutdown
// has freed is reported; in every build the test fails when shutdown goes on while a worker runs.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "feed/worker_gate.h"

namespace {

enum class Op { kStart, kFinish, kClose };

struct Step {
  Op op;
  bool result;   // TryStart's answer (ignored for the others)
  bool exists;   // WorkerExists afterwards
  bool flag;     // the flag itself reads non-zero: no new worker may start
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

TEST(WorkerGate, TransitionsFollowOneState) {
  const Case cases[] = {
      {"a start claims the gate", {{Op::kStart, true, true, true}}},
      {"a second start is refused",
       {{Op::kStart, true, true, true}, {Op::kStart, false, true, true}}},
      {"after the finish a start goes through",
       {{Op::kStart, true, true, true},
        {Op::kFinish, false, false, false},
        {Op::kStart, true, true, true}}},
      {"closed before a start", {{Op::kClose, false, false, true}, {Op::kStart, false, false, true}}},
      {"closed while a worker runs: it still exists",
       {{Op::kStart, true, true, true}, {Op::kClose, false, true, true}}},
      {"closed, then the worker finishes: none starts again",
       {{Op::kStart, true, true, true},
        {Op::kClose, false, true, true},
        {Op::kFinish, false, false, true},
        {Op::kStart, false, false, true}}},
      {"closing twice changes nothing",
       {{Op::kClose, false, false, true},
        {Op::kClose, false, false, true},
        {Op::kStart, false, false, true}}},
  };
  for (const Case& c : cases) {
    std::atomic<int32_t> state{0};
    WorkerGate gate(state);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      if (s.op == Op::kStart) {
        EXPECT_EQ(gate.TryStart(), s.result) << c.name << ", step " << i;
      } else if (s.op == Op::kFinish) {
        gate.Finished();
      } else {
        gate.Close();
      }
      EXPECT_EQ(gate.WorkerExists(), s.exists) << c.name << ", step " << i;
      EXPECT_EQ(state.load() != 0, s.flag) << c.name << ", step " << i;
    }
  }
}

TEST(WorkerGate, WaitIdlePumpsOnlyWhileAWorkerExistsAndIsBounded) {
  std::atomic<int32_t> state{0};
  WorkerGate gate(state);
  int pumps = 0;
  EXPECT_TRUE(gate.WaitIdle(5, [&] { ++pumps; }));
  EXPECT_EQ(pumps, 0) << "no worker: no wait";

  ASSERT_TRUE(gate.TryStart());
  EXPECT_FALSE(gate.WaitIdle(5, [&] { ++pumps; }));
  EXPECT_EQ(pumps, 5) << "a worker that never finishes: exactly the bound";

  pumps = 0;
  EXPECT_TRUE(gate.WaitIdle(5, [&] {
    if (++pumps == 3) gate.Finished();
  }));
  EXPECT_EQ(pumps, 3) << "the wait ends at the first look after the finish";
}

// What a worker shares with the user-interface thread and shutdown frees: the lock it holds for
// the cycle and the fonts and items it fills.
struct SharedResources {
  std::mutex refreshLock;
  std::vector<int> items = std::vector<int>(64, 0);
};

TEST(WorkerGateThreads, ShutdownNeverProceedsWhileAWorkerRuns) {
  std::mt19937 random(20261208);
  std::atomic<int> workersInside{0};
  std::atomic<int> started{0};
  std::atomic<int> refused{0};

  for (int round = 0; round < 300; ++round) {
    std::atomic<int32_t> state{0};
    WorkerGate gate(state);
    auto shared = std::make_unique<SharedResources>();
    std::atomic<int> freed{0};
    std::vector<std::thread> threads;

    // The user-interface thread: refresh requests in quick succession, some while a worker ends.
    const int requests = 1 + static_cast<int>(random() % 6);
    for (int r = 0; r < requests; ++r) {
      if (!gate.TryStart()) {
        refused.fetch_add(1);
      } else {
        started.fetch_add(1);
        SharedResources* resources = shared.get();
        const int work = static_cast<int>(random() % 200);
        threads.emplace_back([resources, work, &gate, &freed, &workersInside] {
          workersInside.fetch_add(1);
          EXPECT_EQ(freed.load(), 0) << "a worker ran after shutdown had freed its resources";
          {
            std::lock_guard<std::mutex> cycle(resources->refreshLock);
            for (int i = 0; i < work; ++i) resources->items[i % 64] += i;
          }
          workersInside.fetch_sub(1);
          gate.Finished();  // the last act: nothing of the process after this
        });
      }
      // Every other request comes right after the worker before it has finished.
      if (r % 2 == 1) {
        while (gate.WorkerExists()) std::this_thread::yield();
      } else if (random() % 3 == 0) {
        std::this_thread::yield();
      }
    }

    // Shutdown: close, wait (pumping here is a yield), and free only when no worker exists.
    gate.Close();
    if (gate.WaitIdle(1000000, [] { std::this_thread::yield(); })) {
      ASSERT_EQ(workersInside.load(), 0) << "round " << round;
      EXPECT_FALSE(gate.TryStart()) << "a worker started after shutdown";
      freed = 1;
      shared.reset();
    }
    // Joined only now: joining earlier would itself order the worker before the free.
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(shared, nullptr) << "round " << round << ": the worker never finished";
  }
  EXPECT_GT(started.load(), 300);
  EXPECT_GT(refused.load(), 0);
}

}  // namespace
