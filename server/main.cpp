// newsrail_server: the local content server that the ticker talks to.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "content_server.h"
#include "server_config.h"

int main(int argc, char** argv) {
  ServerConfig config;
  std::string error;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  switch (ParseCommandLine(arguments, &config, &error)) {
    case CommandLine::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case CommandLine::kError:
      std::fprintf(stderr, "newsrail_server: %s\nTry --help.\n", error.c_str());
      return 2;
    case CommandLine::kRun:
      break;
  }

  // SIGINT, SIGTERM and SIGHUP are taken by sigwait below; blocked before any thread starts, so
  // that every thread inherits the mask and none of them is interrupted by them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  // The usual soft limit of 1024 descriptors would cap the server below its connection limit.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }

  ContentServer server(config);
  if (!server.Start(&error)) {
    std::fprintf(stderr, "newsrail_server: %s\n", error.c_str());
    return 1;
  }
  std::printf("newsrail_server: listening on %s\n", server.PublicUrl().c_str());
  std::fflush(stdout);
  if (!config.portFile.empty()) {
    // Written aside and renamed, so a reader never sees a half-written number.
    const std::string temporary = config.portFile + ".new";
    if (std::FILE* file = std::fopen(temporary.c_str(), "w")) {
      std::fprintf(file, "%d\n", server.Port());
      std::fclose(file);
      std::rename(temporary.c_str(), config.portFile.c_str());
    }
  }

  // SIGHUP: logrotate has moved the log away; carry on in a new file.
  int signal = 0;
  while (sigwait(&stopSignals, &signal) == 0 && signal == SIGHUP) server.Log().Reopen();
  std::printf("newsrail_server: stopping\n");
  std::fflush(stdout);
  server.Stop();
  return 0;
}
