// The start-up benchmark's marks: kept in memory while the program starts, written once at the
// last, so that noting them costs the start-up next to nothing.
#include "shell/startup_marks_win.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "base/process_win.h"

namespace {

struct Mark {
  const char* step;
  LARGE_INTEGER at;
};

constexpr int kMaxMarks = 48;
Mark g_marks[kMaxMarks];
std::atomic<int> g_count{0};
std::atomic<bool> g_written{false};

// One line a mark: the performance counter's reading (the same clock in every process of the
// machine, so the benchmark can set it against the moment it started the program) and the step.
void WriteMarks() {
  char path[MAX_PATH];
  if (!ProgramFilePath("startup-marks.txt", path, sizeof path)) return;
  std::FILE* file = std::fopen(path, "w");
  if (file == nullptr) return;
  const int n = g_count.load() < kMaxMarks ? g_count.load() : kMaxMarks;
  for (int i = 0; i < n; ++i) {
    std::fprintf(file, "%lld %s\n", static_cast<long long>(g_marks[i].at.QuadPart), g_marks[i].step);
  }
  std::fclose(file);
}

}  // namespace

void StartupMark(const char* step, bool last) {
  if (g_written.load()) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int i = g_count.fetch_add(1);
  if (i < kMaxMarks) g_marks[i] = Mark{step, now};
  if (last && !g_written.exchange(true)) WriteMarks();
}
