// Requests per second and latency of the content server for the data request a ticker sends with
// its first-run settings, on loopback against the sample content.
//
//   server_bench [--clients N] [--seconds S] [--port P] [--no-log]
//
// Without --port it starts the server in this process (sample content, request log on, as
// run.sh has it); with --port it measures a server that is already running.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "content_server.h"
#include "support/http_probe.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kDefaultRequest[] =
    "/tlx/update?stocks=^DJI,^SPC,^IXIC,INTC,MSFT,VXLO&weather=f,JFK,SFO,LAX&news=10,rt,rb,rc,"
    "&134501";

struct Result {
  size_t requests = 0;
  size_t failures = 0;
  double seconds = 0;
  std::vector<double> latenciesUs;
};

// Each client sends the request over and over until the time is up; kept-alive connections as
// a browser keeps them, or one connection per request as the ticker's HTTP/1.0 fetch makes.
Result Measure(int port, int clients, double seconds, bool keepAlive) {
  std::vector<Result> perClient(clients);
  std::vector<std::thread> threads;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      Result& result = perClient[c];
      result.latenciesUs.reserve(200000);
      KeepAliveClient client(port);
      while (Clock::now() < end) {
        const Clock::time_point sent = Clock::now();
        const HttpReply reply =
            keepAlive ? client.Get(kDefaultRequest) : TickerGet(port, kDefaultRequest);
        const Clock::time_point received = Clock::now();
        ++result.requests;
        if (reply.status != 200 || reply.body.empty() || reply.body[0] != '\x0E') {
          ++result.failures;
          continue;
        }
        result.latenciesUs.push_back(
            std::chrono::duration<double, std::micro>(received - sent).count());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  Result total;
  total.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (Result& result : perClient) {
    total.requests += result.requests;
    total.failures += result.failures;
    total.latenciesUs.insert(total.latenciesUs.end(), result.latenciesUs.begin(),
                             result.latenciesUs.end());
  }
  std::sort(total.latenciesUs.begin(), total.latenciesUs.end());
  return total;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  return sorted[std::min(sorted.size() - 1, static_cast<size_t>(fraction * sorted.size()))];
}

void Report(const char* mode, int clients, const Result& result) {
  std::printf(
      "%-26s %2d clients  %8.0f requests/s  median %7.1f us  p99 %7.1f us  (%zu requests, %zu "
      "failed)\n",
      mode, clients, result.requests / result.seconds, Percentile(result.latenciesUs, 0.5),
      Percentile(result.latenciesUs, 0.99), result.requests, result.failures);
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 4, port = 0;
  double seconds = 5;
  bool log = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--clients" && i + 1 < argc) {
      clients = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::max(0.5, std::atof(argv[++i]));
    } else if (arg == "--port" && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else if (arg == "--no-log") {
      log = false;
    } else {
      std::fprintf(stderr,
                   "usage: server_bench [--clients N] [--seconds S] [--port P] [--no-log]\n");
      return 2;
    }
  }

  std::unique_ptr<ContentServer> server;
  char logPath[] = "/tmp/newsrail-bench-XXXXXX";
  if (port == 0) {
    ServerConfig config;
    config.port = 0;
    config.content = NEWSRAIL_SAMPLE_DIR;
    if (log) {
      const int fd = mkstemp(logPath);
      if (fd >= 0) close(fd);
      config.log = logPath;
    }
    server = std::make_unique<ContentServer>(config);
    std::string error;
    if (!server->Start(&error)) {
      std::fprintf(stderr, "server_bench: %s\n", error.c_str());
      return 1;
    }
    port = server->Port();
  }

  const HttpReply probe = TickerGet(port, kDefaultRequest);
  std::printf("GET %s\n-> %d, %zu bytes; %u hardware threads; request log %s\n", kDefaultRequest,
              probe.status, probe.body.size(), std::thread::hardware_concurrency(),
              server == nullptr ? "(external server)"
              : log             ? "on"
                                : "off");
  Measure(port, clients, 0.5, true);  // warm up
  Report("kept-alive (HTTP/1.1)", clients, Measure(port, clients, seconds, true));
  Report("connection each (HTTP/1.0)", clients, Measure(port, clients, seconds, false));

  if (server != nullptr) {
    server->Stop();
    if (log) unlink(logPath);
  }
  return 0;
}
