// Time from starting Ticker.exe with "R" to its first strip drawn from the cache, with Wine warm.
// Prints the median and the spread of the runs after a first one that warms Wine up.
//
//   scripts/wine-run build/win32/bench/startup_bench.exe --ticker=build/win32/bin/Ticker.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
  const std::string folder = MakeProgramFolder("startup");
  if (!CopyInto(TickerExePath(), folder + "Ticker.exe")) {
    std::fprintf(stderr, "give --ticker=PATH\n");
    return 1;
  }
  std::string feed = "\x0Ert\x05" "1\x0B" "Top Stories:\x0D/top|\x05" "2";
  for (int i = 0; i < 60; ++i) {
    feed += "\x0BHeadline " + std::to_string(i) + ": markets, weather and the news\x0D/s|";
  }
  WriteWholeFile(folder + "News.Dat", feed);
  WriteRegistryText("Publisher Server", "http://127.0.0.1:9");

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> millis;
  for (int run = 0; run <= runs; ++run) {
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    PROCESS_INFORMATION p = StartProgram(folder + "Ticker.exe", "R");
    // The first strip: the cache's items published and the scroll tick allowed to draw them.
    WaitUntil(
        [&] {
          HWND ticker = FindTickerWindow();
          if (ticker == nullptr) return false;
          const StripReport r = ReadStrip(ticker);
          return r.filled != 0 && r.items.size() > 60;
        },
        20000);
    QueryPerformanceCounter(&shown);
    if (run > 0) {
      millis.push_back(1000.0 * static_cast<double>(shown.QuadPart - start.QuadPart) /
                       static_cast<double>(frequency.QuadPart));
    }
    PostMessageA(FindTickerFrame(), WM_CLOSE, 0, 0);
    WaitForExit(p, 10000);
  }
  EndStartedPrograms();
  std::sort(millis.begin(), millis.end());
  std::printf("Start to first cached strip (\"Ticker.exe R\", Wine warm, %d runs): median %.0f ms, "
              "min %.0f ms, max %.0f ms\n",
              runs, millis[millis.size() / 2], millis.front(), millis.back());
  return 0;
}
