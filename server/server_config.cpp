// Options: one table drives the command line, the config file and the help text.
#include "server_config.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

enum class Kind { kText, kNumber, kFlag };

struct Option {
  const char* name;
  Kind kind;
  const char* placeholder;  // what the value is, for the help text
  const char* help;
  // Applies a value; false when it does not read.
  bool (*apply)(ServerConfig*, const std::string&);
};

bool ReadNumber(const std::string& text, long low, long high, long* value) {
  if (text.empty() || text.size() > 12 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *value = std::stol(text);
  return *value >= low && *value <= high;
}

template <int ServerConfig::*Member, long Low, long High>
bool SetInt(ServerConfig* config, const std::string& text) {
  long value;
  if (!ReadNumber(text, Low, High, &value)) return false;
  config->*Member = static_cast<int>(value);
  return true;
}

template <std::string ServerConfig::*Member>
bool SetText(ServerConfig* config, const std::string& text) {
  config->*Member = text;
  return true;
}

bool SetFetchMaxBytes(ServerConfig* config, const std::string& text) {
  long value;
  if (!ReadNumber(text, 1024, 64L * 1024 * 1024, &value)) return false;
  config->fetchMaxBytes = static_cast<size_t>(value);
  return true;
}

bool SetMaxHeadBytes(ServerConfig* config, const std::string& text) {
  long value;
  if (!ReadNumber(text, 4096, 1024 * 1024, &value)) return false;
  config->maxHeadBytes = static_cast<size_t>(value);
  return true;
}

bool ReadFlag(const std::string& text, bool* flag) {
  if (text != "1" && text != "0" && text != "yes" && text != "no") return false;
  *flag = text == "1" || text == "yes";
  return true;
}

bool SetRestartOnce(ServerConfig* config, const std::string& text) {
  return ReadFlag(text, &config->restartOnce);
}


bool SetPath(ServerConfig* config, std::string ServerConfig::*member, const std::string& text) {
  if (text.empty() || text[0] != '/') return false;
  config->*member = text;
  return true;
}

const Option kOptions[] = {
    {"bind", Kind::kText, "ADDRESS", "address to listen on (default 127.0.0.1)",
     SetText<&ServerConfig::bind>},
    {"port", Kind::kNumber, "N",
     "port to listen on, 0 for any free one (default " NEWSRAIL_TEXT(NEWSRAIL_DEFAULT_PORT) ")",
     SetInt<&ServerConfig::port, 0, 65535>},
    {"content", Kind::kText, "DIR", "content folder (default server/sample)",
     SetText<&ServerConfig::content>},
    {"log", Kind::kText, "FILE", "request log file (default: none; notes go to standard error)",
     SetText<&ServerConfig::log>},
    {"feeds", Kind::kText, "FILE", "news sources list (default CONTENT/feeds.txt)",
     SetText<&ServerConfig::feeds>},
    {"quotes", Kind::kText, "FILE", "quotes file (default CONTENT/quotes.txt)",
     SetText<&ServerConfig::quotes>},
    {"weather", Kind::kText, "FILE", "weather file (default CONTENT/weather.txt)",
     SetText<&ServerConfig::weather>},
    {"accounts", Kind::kText, "FILE", "accounts file (default CONTENT/accounts.txt)",
     SetText<&ServerConfig::accounts>},
    {"sponsor-file", Kind::kText, "FILE", "sponsor file served (default CONTENT/sponsor/news.txt)",
     SetText<&ServerConfig::sponsorFile>},
    {"sponsor-image", Kind::kText, "FILE",
     "sponsor picture served (default CONTENT/sponsor/sponsor.bmp)",
     SetText<&ServerConfig::sponsorImage>},
    {"sponsor-path", Kind::kText, "PATH",
     "address path of the sponsor file (default /sponsor/news.txt)",
     [](ServerConfig* c, const std::string& t) {
       return SetPath(c, &ServerConfig::sponsorPath, t);
     }},
    {"sponsor-image-path", Kind::kText, "PATH",
     "address path of the sponsor picture (default /sponsor/sponsor.bmp)",
     [](ServerConfig* c, const std::string& t) {
       return SetPath(c, &ServerConfig::sponsorImagePath, t);
     }},
    {"public-url", Kind::kText, "URL",
     "base of links to this server's pages (default http://BIND:PORT)",
     SetText<&ServerConfig::publicUrl>},
    {"refresh", Kind::kNumber, "SECONDS", "seconds between fetches of news addresses (default 300)",
     SetInt<&ServerConfig::refreshSeconds, 10, 86400>},
    {"fetch-timeout", Kind::kNumber, "SECONDS", "seconds a news fetch may take (default 20)",
     SetInt<&ServerConfig::fetchTimeoutSeconds, 1, 600>},
    {"fetch-max-bytes", Kind::kNumber, "BYTES",
     "largest news document read or fetched (default 2097152)", SetFetchMaxBytes},
    {"threads", Kind::kNumber, "N", "event-loop threads answering requests (default one per processor)",
     SetInt<&ServerConfig::threads, 1, 256>},
    {"max-connections", Kind::kNumber, "N",
     "open connections served; requests above it get 503 (default 1024)",
     SetInt<&ServerConfig::maxConnections, 1, 100000>},
    {"max-connections-per-address", Kind::kNumber, "N",
     "open connections from one client address; more are closed at once (default 64)",
     SetInt<&ServerConfig::maxConnectionsPerAddress, 1, 100000>},
    {"max-incomplete-heads", Kind::kNumber, "N",
     "connections still sending a request head, in all; past it the oldest is closed "
     "(default 512)",
     SetInt<&ServerConfig::maxIncompleteHeads, 1, 100000>},
    {"header-timeout", Kind::kNumber, "SECONDS",
     "time for a whole request head, from the connection or the last answer (default 10)",
     SetInt<&ServerConfig::headerTimeoutSeconds, 1, 3600>},
    {"idle-timeout", Kind::kNumber, "SECONDS",
     "a connection without traffic this long is closed (default 10)",
     SetInt<&ServerConfig::idleTimeoutSeconds, 1, 3600>},
    {"max-head-bytes", Kind::kNumber, "BYTES",
     "memory for one connection's request head (default 16384)", SetMaxHeadBytes},
    {"max-requests-per-connection", Kind::kNumber, "N",
     "requests answered on one kept-alive connection before it is closed (default 100)",
     SetInt<&ServerConfig::maxRequestsPerConnection, 1, 100000>},
    {"listen-backlog", Kind::kNumber, "N",
     "connections waiting to be accepted (default 1024; the kernel may cap it)",
     SetInt<&ServerConfig::listenBacklog, 16, 65535>},
    {"restart-file", Kind::kText, "FILE",
     "answer \"Please restart\" once each time FILE appears (it is removed)",
     SetText<&ServerConfig::restartFile>},
    {"restart-once", Kind::kFlag, "", "answer the first data request with \"Please restart\"",
     SetRestartOnce},
    {"ion", Kind::kText, "DIR",
     "folder of update files served under /ion/ (a build writes one in <build tree>/ion)",
     SetText<&ServerConfig::ion>},
    {"port-file", Kind::kText, "FILE", "write the port listened on to FILE once listening",
     SetText<&ServerConfig::portFile>},
    {"session-secret", Kind::kText, "FILE",
     "key that signs session cookies, shared by every instance (default: random per process)",
     SetText<&ServerConfig::sessionSecret>},
    {"trusted-proxy", Kind::kText, "ADDRESSES",
     "proxies (comma-separated) whose X-Real-IP header gives the client's address",
     SetText<&ServerConfig::trustedProxies>},
    {"instances", Kind::kNumber, "N",
     "instances behind one proxy; each takes its share of the login limits (default 1)",
     SetInt<&ServerConfig::instances, 1, 64>},
    {"state-dir", Kind::kText, "DIR",
     "folder for what outlives a restart: when each account's password last changed",
     SetText<&ServerConfig::stateDir>},
};

const Option* FindOption(const std::string& name) {
  for (const Option& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

std::string Trim(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string::npos) return std::string();
  return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

}  // namespace

void ResolveContentPaths(ServerConfig* config) {
  const std::string base = config->content.empty() ? "." : config->content;
  auto fill = [&](std::string* value, const char* name) {
    if (value->empty()) *value = base + "/" + name;
  };
  fill(&config->feeds, "feeds.txt");
  fill(&config->quotes, "quotes.txt");
  fill(&config->weather, "weather.txt");
  fill(&config->accounts, "accounts.txt");
  fill(&config->sponsorFile, "sponsor/news.txt");
  fill(&config->sponsorImage, "sponsor/sponsor.bmp");
}

bool ApplyConfigText(const std::string& text, ServerConfig* config, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    const std::string name = Trim(line.substr(0, equals));
    const std::string value = equals == std::string::npos ? "1" : Trim(line.substr(equals + 1));
    const Option* option = FindOption(name);
    const bool valueMissing = equals == std::string::npos && option != nullptr &&
                              option->kind != Kind::kFlag;
    if (option == nullptr || valueMissing || !option->apply(config, value)) {
      *error = "line " + std::to_string(number) + ": \"" + name + "\" does not read";
      return false;
    }
  }
  return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, ServerConfig* config,
                             std::string* error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--help" || arguments[i] == "-h") return CommandLine::kHelp;
    std::string path;
    if (arguments[i].rfind("--config=", 0) == 0) {
      path = arguments[i].substr(9);
    } else if (arguments[i] == "--config") {
      if (i + 1 == arguments.size()) {
        *error = "--config needs a file";
        return CommandLine::kError;
      }
      path = arguments[++i];
    } else {
      continue;
    }
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    if (file) text << file.rdbuf();
    if (!file) {
      *error = "cannot read " + path;
      return CommandLine::kError;
    }
    std::string fileError;
    if (!ApplyConfigText(text.str(), config, &fileError)) {
      *error = path + ": " + fileError;
      return CommandLine::kError;
    }
  }
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--config") {
      ++i;
      continue;
    }
    if (argument.rfind("--config=", 0) == 0) continue;
    std::string name = argument.substr(0, 2) == "--" ? argument.substr(2) : std::string();
    std::string value;
    const size_t equals = name.find('=');
    const bool inlineValue = equals != std::string::npos;
    if (inlineValue) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const Option* option = FindOption(name);
    if (option == nullptr) {
      *error = "unknown option \"" + argument + "\"";
      return CommandLine::kError;
    }
    if (!inlineValue) {
      if (option->kind == Kind::kFlag) {
        value = "1";
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        *error = argument + " needs a value";
        return CommandLine::kError;
      }
    }
    if (!option->apply(config, value)) {
      *error = "--" + name + " does not take \"" + value + "\"";
      return CommandLine::kError;
    }
  }
  return CommandLine::kRun;
}

std::string UsageText() {
  std::string text =
      "Usage: newsrail_server [options]\n\n"
      "Serves the ticker's data requests, account logins, sponsor files and portal pages.\n\n"
      "Options (each may also stand in the config file as \"name = value\"):\n";
  for (const Option& option : kOptions) {
    std::string left = std::string("  --") + option.name;
    if (option.placeholder[0] != '\0') left += std::string(" ") + option.placeholder;
    left.resize(std::max<size_t>(left.size() + 2, 32), ' ');
    text += left + option.help + "\n";
  }
  text +=
      "  --config FILE                 read options from FILE first; the command line wins\n"
      "  --help                        show this text\n";
  return text;
}
