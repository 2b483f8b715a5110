// A content server on a free loopback port with the sample content, logging into a folder of the
// test's own; the fixture that the tests over real sockets share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "content_server.h"
#include "support/temp_folder.h"

class SampleServerTest : public testing::Test {
 protected:
  void StartServer(ServerConfig config = ServerConfig()) {
    config.port = 0;
    config.content = NEWSRAIL_SAMPLE_DIR;
    config.log = folder_.File("server.log");
    server_ = std::make_unique<ContentServer>(config);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    port_ = server_->Port();
  }
  std::string Log() const { return ReadWholeFile(folder_.File("server.log")); }

  TempFolder folder_;
  std::unique_ptr<ContentServer> server_;
  int port_ = 0;
};
