// The server's settings: defaults, the config file and the command line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/default_server.h"

struct ServerConfig {
  std::string bind = "127.0.0.1";
  int port = kDefaultServerPort;  // 0 takes any free port
  std::string content = "server/sample";
  std::string log;           // the request log; none when empty
  std::string feeds;         // default: CONTENT/feeds.txt
  std::string quotes;        // default: CONTENT/quotes.txt
  std::string weather;       // default: CONTENT/weather.txt
  std::string accounts;      // default: CONTENT/accounts.txt
  std::string sponsorFile;   // default: CONTENT/sponsor/news.txt
  std::string sponsorImage;  // default: CONTENT/sponsor/sponsor.bmp
  std::string sponsorPath = "/sponsor/news.txt";
  std::string sponsorImagePath = "/sponsor/sponsor.bmp";
  std::string publicUrl;  // default: http://BIND:PORT (127.0.0.1 for a wildcard bind)
  int refreshSeconds = 300;
  int fetchTimeoutSeconds = 20;
  size_t fetchMaxBytes = 2 * 1024 * 1024;
  // Event loops; a loop is busy only while it answers. 0: one per processor the server may use
  // (more loops than processors only take turns). The first takes every new connection while it
  // has time for them; each further loop joins in once the one before it is busy.
  int threads = 0;
  // What one client may hold (see the options' help).
  int maxConnections = 1024;
  int maxConnectionsPerAddress = 64;
  int maxIncompleteHeads = 512;
  int headerTimeoutSeconds = 10;
  int idleTimeoutSeconds = 10;
  size_t maxHeadBytes = 16384;
  int maxRequestsPerConnection = 100;
  int listenBacklog = 1024;
  std::string restartFile;
  std::string ion;  // the update server's folder, served under /ion/; none when empty
  bool restartOnce = false;
  std::string portFile;     // the port actually bound, written once listening (for --port 0)
  std::string sessionSecret;   // file with the key that signs session cookies; random if empty
  std::string trustedProxies;  // addresses whose X-Real-IP header names the client
  int instances = 1;           // instances sharing one deployment's logins (the limits are split)
  std::string stateDir;        // what outlives a restart; nothing is kept when empty
};

// Fills the unset file settings from the content folder.
void ResolveContentPaths(ServerConfig* config);

// Applies "name = value" lines ('#' starts a comment line); names are the long options without
// their dashes. False with *error naming the line that does not read.
bool ApplyConfigText(const std::string& text, ServerConfig* config, std::string* error);

enum class CommandLine { kRun, kHelp, kError };

// Reads the command line: "--config FILE" is applied first, wherever it stands, then every other
// option over it. *error says what is wrong for kError.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, ServerConfig* config,
                             std::string* error);

// The --help text.
std::string UsageText();
