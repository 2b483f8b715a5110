// Time from starting Ticker.exe with "R" to its first strip drawn from the cache, with Wine warm,
// beside the time a bare window (bare_window.exe, next to this program) takes to paint once under
// the same Wine in the same run. Runs alternate between the two after a first one of each that
// warms Wine up; prints both medians and their ratio. Then it starts the benchmark's own build of
// the program (ticker_marks.exe, beside this program), which notes when each start-up step ended,
// and prints each step's median and the three largest.
//
//   scripts/wine-run build/win32/bench/startup_bench.exe --ticker=build/win32/bin/Ticker.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

struct Series {
  std::vector<double> millis;
  double Median() const { return millis[millis.size() / 2]; }
};

// Starts the program, waits until shown() holds, closes it with close(); returns milliseconds from
// the start to shown(), or a negative number when it never showed.
// started: where the performance counter stood just before the program was started.
double TimeOneStart(const std::string& exe, const char* arguments,
                    const std::function<bool()>& shown, const std::function<HWND()>& window,
                    LONGLONG* started = nullptr) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (started != nullptr) *started = start.QuadPart;
  PROCESS_INFORMATION p = StartProgram(exe, arguments);
  const bool ok = WaitUntil(shown, 20000);
  QueryPerformanceCounter(&end);
  PostMessageA(window(), WM_CLOSE, 0, 0);
  WaitForExit(p, 10000);
  if (!ok) return -1;
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

void Print(const char* what, Series& s) {
  std::sort(s.millis.begin(), s.millis.end());
  std::printf("  %-44s median %4.0f ms, min %4.0f ms, max %4.0f ms\n", what, s.Median(),
              s.millis.front(), s.millis.back());
}

// Each step's milliseconds in one start of the marks build: from the mark before it (the first
// from the program's start) to its own; a step marked more than once adds up.
// order: the steps in the order they first ended.
std::map<std::string, double> ReadSteps(const std::string& file, LONGLONG started,
                                        std::vector<std::string>* order) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::map<std::string, double> steps;
  std::istringstream lines(ReadWholeFile(file));
  LONGLONG previous = started;
  std::string line;
  while (std::getline(lines, line)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    const LONGLONG at = std::atoll(line.substr(0, space).c_str());
    const std::string step = line.substr(space + 1);
    if (std::find(order->begin(), order->end(), step) == order->end()) order->push_back(step);
    steps[step] +=
        1000.0 * static_cast<double>(at - previous) / static_cast<double>(frequency.QuadPart);
    previous = at;
  }
  return steps;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
  const std::string folder = MakeProgramFolder("startup");
  if (!CopyInto(TickerExePath(), folder + "Ticker.exe")) {
    std::fprintf(stderr, "give --ticker=PATH\n");
    return 1;
  }
  const std::string marksFolder = MakeProgramFolder("startup-marks");
  if (!CopyInto(BesideThisProgram("ticker_marks.exe"), marksFolder + "Ticker.exe")) {
    std::fprintf(stderr, "ticker_marks.exe is not beside this program\n");
    return 1;
  }
  if (!CopyInto(BesideThisProgram("bare_window.exe"), folder + "bare_window.exe")) {
    std::fprintf(stderr, "bare_window.exe is not beside this program\n");
    return 1;
  }
  std::string feed = "\x0Ert\x05" "1\x0B" "Top Stories:\x0D/top|\x05" "2";
  for (int i = 0; i < 60; ++i) {
    feed += "\x0BHeadline " + std::to_string(i) + ": markets, weather and the news\x0D/s|";
  }
  WriteWholeFile(folder + "News.Dat", feed);
  WriteWholeFile(marksFolder + "News.Dat", feed);
  WriteRegistryText("Publisher Server", "http://127.0.0.1:9");

  // The first strip: the cache's items published and drawn on the window.
  auto tickerShown = [] {
    HWND ticker = FindTickerWindow();
    if (ticker == nullptr) return false;
    const StripReport r = ReadStrip(ticker);
    return r.filled != 0 && r.drawn != 0 && r.items.size() > 60;
  };
  auto bareShown = [] { return FindWindowA("NewsrailBareWindow", "Painted") != nullptr; };
  auto bareWindow = [] { return FindWindowA("NewsrailBareWindow", nullptr); };

  Series ours, bare;
  for (int run = 0; run <= runs; ++run) {
    const double b = TimeOneStart(folder + "bare_window.exe", "", bareShown, bareWindow);
    const double t = TimeOneStart(folder + "Ticker.exe", "R", tickerShown, FindTickerFrame);
    if (b < 0 || t < 0) {
      std::fprintf(stderr, "%s never showed\n", b < 0 ? "the bare window" : "the strip");
      EndStartedPrograms();
      return 1;
    }
    if (run == 0) continue;
    bare.millis.push_back(b);
    ours.millis.push_back(t);
  }
  // The steps, from the marks build started as often, after one more start to warm it up.
  std::map<std::string, Series> steps;
  std::vector<std::string> order;
  for (int run = 0; run <= runs; ++run) {
    const std::string marks = marksFolder + "startup-marks.txt";
    DeleteFileA(marks.c_str());
    LONGLONG started = 0;
    // Written at the first scroll tick that draws the strip, which may come after the report.
    auto marked = [&] { return tickerShown() && FileExists(marks); };
    if (TimeOneStart(marksFolder + "Ticker.exe", "R", marked, FindTickerFrame, &started) < 0) {
      std::fprintf(stderr, "the marks build's strip never showed\n");
      EndStartedPrograms();
      return 1;
    }
    if (run == 0) continue;
    for (const auto& [step, ms] : ReadSteps(marks, started, &order)) steps[step].millis.push_back(ms);
  }
  EndStartedPrograms();
  std::printf("Start to first paint, Wine warm, %d runs each, alternating:\n", runs);
  Print("Ticker.exe R, first strip from the cache:", ours);
  Print("bare window painted once:", bare);
  std::printf("  ratio (ours / bare window): %.2f\n", ours.Median() / bare.Median());

  // A step missing from some starts counts as 0 ms in those.
  std::vector<std::pair<double, std::string>> largest;
  std::printf("Start-up steps (the marks build, median of %d starts, each up to its end):\n", runs);
  for (const std::string& step : order) {
    Series& s = steps[step];
    s.millis.resize(static_cast<size_t>(runs), 0.0);
    std::sort(s.millis.begin(), s.millis.end());
    std::printf("  %-52s %6.1f ms\n", step.c_str(), s.Median());
    largest.emplace_back(s.Median(), step);
  }
  std::sort(largest.rbegin(), largest.rend());
  std::printf("The three largest:");
  for (size_t i = 0; i < largest.size() && i < 3; ++i) {
    std::printf("%s %s (%.1f ms)", i == 0 ? "" : ",", largest[i].second.c_str(), largest[i].first);
  }
  std::printf("\n");
  return 0;
}
