// The command line and the config file.
#include "server_config.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

CommandLine Parse(std::vector<std::string> arguments, ServerConfig* config, std::string* error) {
  return ParseCommandLine(arguments, config, error);
}

TEST(ParseCommandLine, TakesTheRunShFlags) {
  ServerConfig config;
  std::string error;
  ASSERT_EQ(Parse({"--port", "18472", "--content", "server/sample", "--log", "/tmp/x.log"}, &config,
                  &error),
            CommandLine::kRun)
      << error;
  EXPECT_EQ(config.port, 18472);
  EXPECT_EQ(config.content, "server/sample");
  EXPECT_EQ(config.log, "/tmp/x.log");
  EXPECT_EQ(config.bind, "127.0.0.1");
}

TEST(ParseCommandLine, RefusesWhatDoesNotRead) {
  const struct {
    std::vector<std::string> arguments;
    const char* error;
  } rows[] = {
      {{"--port", "65536"}, "--port does not take \"65536\""},
      {{"--port", "-1"}, "--port does not take"},
      {{"--port", "80x"}, "--port does not take"},
      {{"--threads", "0"}, "--threads does not take"},
      {{"--refresh", "5"}, "--refresh does not take"},
      {{"--sponsor-path", "sponsor.txt"}, "--sponsor-path does not take"},
      {{"--restart-once=maybe"}, "--restart-once does not take"},
      {{"--log"}, "--log needs a value"},
      {{"port", "1"}, "unknown option \"port\""},
      {{"--bogus"}, "unknown option \"--bogus\""},
      {{"--config"}, "--config needs a file"},
  };
  for (const auto& row : rows) {
    ServerConfig config;
    std::string error;
    EXPECT_EQ(Parse(row.arguments, &config, &error), CommandLine::kError) << row.arguments[0];
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
  }
  ServerConfig config;
  std::string error;
  EXPECT_EQ(Parse({"--port", "1", "--help"}, &config, &error), CommandLine::kHelp);
  EXPECT_NE(UsageText().find("--restart-file"), std::string::npos);
}

TEST(ParseCommandLine, TheCommandLineWinsOverTheConfigFile) {
  TempFolder folder;
  folder.Write("server.conf",
               "# a comment\n"
               "port = 20001\n"
               "content = /srv/news\n"
               "  refresh = 60  \r\n"
               "restart-once\n"
               "sponsor-path = /ads/today.txt\n");
  ServerConfig config;
  std::string error;
  ASSERT_EQ(Parse({"--port=20002", "--config", folder.File("server.conf")}, &config, &error),
            CommandLine::kRun)
      << error;
  EXPECT_EQ(config.port, 20002);
  EXPECT_EQ(config.content, "/srv/news");
  EXPECT_EQ(config.refreshSeconds, 60);
  EXPECT_TRUE(config.restartOnce);
  EXPECT_EQ(config.sponsorPath, "/ads/today.txt");

  ResolveContentPaths(&config);
  EXPECT_EQ(config.feeds, "/srv/news/feeds.txt");
  EXPECT_EQ(config.sponsorImage, "/srv/news/sponsor/sponsor.bmp");

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"port = 1\nthreads = lots\n", "line 2: \"threads\" does not read"},
      {"# only a port\nport\n", "line 2: \"port\" does not read"},
      {"config = other.conf\n", "line 1: \"config\" does not read"},
      {"log = x\n[section]\n", "line 2: \"[section]\" does not read"},
  };
  for (const auto& row : bad) {
    folder.Write("bad.conf", row.text);
    ServerConfig badConfig;
    EXPECT_EQ(Parse({"--config=" + folder.File("bad.conf")}, &badConfig, &error),
              CommandLine::kError);
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
  }
}

}  // namespace
