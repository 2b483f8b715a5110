// Requests per second and latency of the content server for the data request a ticker sends with
// its first-run settings, on loopback against the sample content; then the same under a load of
// many clients: how long a new client waits for its answer, and the latency of each new
// connection when every request opens one.
//
//   server_bench [--clients N] [--load-clients N] [--seconds S] [--port P] [--no-log]
//
// Each client connects from a loopback address of its own (127.0.x.y), as clients on a network
// would, so the per-address connection cap does not apply to the load.
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

std::string ClientAddress(int client) {
  return "127.0." + std::to_string(10 + client / 250) + "." + std::to_string(1 + client % 250);
}

// One request on a connection of its own, as the ticker's HTTP/1.0 fetch makes it.
HttpReply FetchOnce(int port, const std::string& fromAddress) {
  const int fd = ConnectFrom(port, fromAddress);
  if (fd < 0) return HttpReply();
  std::vector<HttpReply> replies;
  if (SendBytes(fd, std::string("GET ") + kDefaultRequest +
                        " HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n")) {
    replies = ReadReplies(fd, 10000);
  }
  close(fd);
  return replies.empty() ? HttpReply() : replies[0];
}

bool IsFeed(const HttpReply& reply) {
  return reply.status == 200 && !reply.body.empty() && reply.body[0] == '\x0E';
}

// Each client sends the request over and over until the time is up; kept-alive connections as
// a browser keeps them, or one connection per request as the ticker's HTTP/1.0 fetch makes.
// With `fresh`, one more client meanwhile makes a new connection every 20 ms and its latencies
// go there.
Result Measure(int port, int clients, double seconds, bool keepAlive, Result* fresh = nullptr) {
  std::vector<Result> perClient(clients);
  std::vector<std::thread> threads;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      Result& result = perClient[c];
      result.latenciesUs.reserve(clients > 16 ? 4096 : 200000);
      KeepAliveClient client(port, ClientAddress(c));
      while (Clock::now() < end) {
        const Clock::time_point sent = Clock::now();
        const HttpReply reply =
            keepAlive ? client.Get(kDefaultRequest) : FetchOnce(port, ClientAddress(c));
        const Clock::time_point received = Clock::now();
        ++result.requests;
        if (!IsFeed(reply)) {
          ++result.failures;
          continue;
        }
        result.latenciesUs.push_back(
            std::chrono::duration<double, std::micro>(received - sent).count());
      }
    });
  }
  if (fresh != nullptr) {
    // Let the load build up before the first new client comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; Clock::now() < end; ++i) {
      const Clock::time_point sent = Clock::now();
      const HttpReply reply = FetchOnce(port, "127.0.99." + std::to_string(1 + i % 250));
      const Clock::time_point received = Clock::now();
      ++fresh->requests;
      if (!IsFeed(reply)) {
        ++fresh->failures;
      } else {
        fresh->latenciesUs.push_back(
            std::chrono::duration<double, std::micro>(received - sent).count());
      }
      std::this_thread::sleep_until(sent + std::chrono::milliseconds(20));
    }
    std::sort(fresh->latenciesUs.begin(), fresh->latenciesUs.end());
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
      "%-26s %3d clients  %8.0f requests/s  median %8.1f us  p99 %8.1f us  (%zu requests, %zu "
      "failed)\n",
      mode, clients, result.requests / result.seconds, Percentile(result.latenciesUs, 0.5),
      Percentile(result.latenciesUs, 0.99), result.requests, result.failures);
}

void ReportFresh(const Result& fresh) {
  std::printf(
      "  a new client meanwhile:  median %8.1f us  p99 %8.1f us  max %8.1f us  (%zu requests, %zu "
      "failed)\n",
      Percentile(fresh.latenciesUs, 0.5), Percentile(fresh.latenciesUs, 0.99),
      fresh.latenciesUs.empty() ? 0.0 : fresh.latenciesUs.back(), fresh.requests, fresh.failures);
}

// The login back-off under a guesser with many addresses: failed logins a second from new
// addresses once the table is full (100 000 addresses), and the checks of the addresses that
// come after them.
void MeasureLoginTable() {
  LoginGuard guard;
  const auto now = LoginGuard::Clock::now();
  auto address = [](int i) {
    return "10." + std::to_string(i >> 16 & 255) + "." + std::to_string(i >> 8 & 255) + "." +
           std::to_string(i & 255);
  };
  for (int i = 0; i < 100000; ++i) guard.Failed(address(i), "", now);
  constexpr int kGuesses = 200000;
  const Clock::time_point start = Clock::now();
  for (int i = 100000; i < 100000 + kGuesses; ++i) {
    if (guard.Allowed(address(i), "", now)) guard.Failed(address(i), "", now);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("login back-off, %zu addresses tracked: %.0f failed logins/s from new addresses "
              "(%.2f us each)\n",
              guard.TrackedAddresses(), kGuesses / seconds, seconds / kGuesses * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 4, loadClients = 200, port = 0;
  double seconds = 5;
  bool log = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--clients" && i + 1 < argc) {
      clients = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--load-clients" && i + 1 < argc) {
      loadClients = std::max(1, std::min(2000, std::atoi(argv[++i])));
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::max(0.5, std::atof(argv[++i]));
    } else if (arg == "--port" && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else if (arg == "--no-log") {
      log = false;
    } else {
      std::fprintf(stderr,
                   "usage: server_bench [--clients N] [--load-clients N] [--seconds S] [--port P] "
                   "[--no-log]\n");
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
  Result fresh;
  Report("kept-alive (HTTP/1.1)", loadClients,
         Measure(port, loadClients, seconds, true, &fresh));
  ReportFresh(fresh);
  fresh = Result();
  Report("connection each (HTTP/1.0)", loadClients,
         Measure(port, loadClients, seconds, false, &fresh));
  ReportFresh(fresh);

  if (server != nullptr) {
    server->Stop();
    if (log) unlink(logPath);
  }
  MeasureLoginTable();
  return 0;
}
