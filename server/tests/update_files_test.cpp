// The update server's folder under /ion/: whole files with their modification time as
// Last-Modified, HEAD without a body, no caching, and no way out of the folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/http_probe.h"
#include "support/sample_server.h"
#include "update_files.h"

namespace {

// 2024-03-05 14:07:09 UTC.
constexpr time_t kPackageTime = 1709647629;

class UpdateFolder : public SampleServerTest {
 protected:
  void SetUp() override {
    folder_.Write("ion/ticker.ex_", std::string("SZDD\x88\xf0'3A\0program", 17));
    folder_.Write("ion/update.txt", "A better ticker.\r\n");
    folder_.Write("secret.txt", "outside the update folder");
    folder_.Write("ion/sub/inner.txt", "one level down");
    SetTime(folder_.File("ion/ticker.ex_"), kPackageTime);
    ASSERT_EQ(symlink(folder_.File("secret.txt").c_str(), folder_.File("ion/link.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(folder_.File("ion/fifo.txt").c_str(), 0600), 0);
    ServerConfig config;
    config.ion = folder_.File("ion");
    StartServer(config);
  }

  static void SetTime(const std::string& path, time_t time) {
    const timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
};

TEST_F(UpdateFolder, ServesFilesWithTheirDateAndNoCaching) {
  const HttpReply get = TickerGet(port_, "/ion/ticker.ex_");
  ASSERT_TRUE(get.received);
  EXPECT_EQ(get.status, 200);
  EXPECT_EQ(get.body, ReadWholeFile(folder_.File("ion/ticker.ex_")));
  EXPECT_EQ(get.Header("Last-Modified"), "Tue, 05 Mar 2024 14:07:09 GMT");
  EXPECT_EQ(get.Header("Cache-Control"), "no-cache");
  EXPECT_EQ(get.Header("Content-Type"), "application/octet-stream");

  const HttpReply head = HttpExchange(port_, "HEAD /ion/ticker.ex_ HTTP/1.0\r\n\r\n");
  // The probe counts a reply without the body its Content-Length promises as cut; a HEAD answer
  // is just that.
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.Header("Content-Length"), "17");
  EXPECT_EQ(head.Header("Last-Modified"), "Tue, 05 Mar 2024 14:07:09 GMT");

  // A client that has this version hears so, and nothing is sent; an older date, or one that
  // does not read, gets the file.
  const struct {
    const char* since;
    int status;
    const char* body;
  } rows[] = {
      {"Tue, 05 Mar 2024 14:07:09 GMT", 304, ""},
      {"Wed, 06 Mar 2024 00:00:00 GMT", 304, ""},
      {"Tue, 05 Mar 2024 14:07:08 GMT", 200, "SZDD"},
      {"Tuesday, 05-Mar-24 14:07:09 GMT", 200, "SZDD"},
      {"Tue, 05 Mar 2024 14:07:09 UTC", 200, "SZDD"},
      {"Tue, 35 Mar 2024 14:07:09 GMT", 200, "SZDD"},
  };
  for (const auto& row : rows) {
    const HttpReply reply =
        TickerGet(port_, "/ion/ticker.ex_", "If-Modified-Since: " + std::string(row.since) + "\r\n");
    EXPECT_EQ(reply.status, row.status) << row.since;
    EXPECT_EQ(reply.body.substr(0, 4), row.body) << row.since;
    EXPECT_EQ(reply.Header("Last-Modified"), "Tue, 05 Mar 2024 14:07:09 GMT") << row.since;
  }

  // A file published again is served new at once, with its new date.
  folder_.Write("ion/ticker.ex_", "SZDD new");
  SetTime(folder_.File("ion/ticker.ex_"), kPackageTime + 86400);
  const HttpReply again = TickerGet(port_, "/ion/ticker.ex_");
  EXPECT_EQ(again.body, "SZDD new");
  EXPECT_EQ(again.Header("Last-Modified"), "Wed, 06 Mar 2024 14:07:09 GMT");
  EXPECT_EQ(TickerGet(port_, "/ion/update.txt").Header("Content-Type"),
            "text/plain; charset=windows-1252");
}

TEST_F(UpdateFolder, NothingOutsideTheFolderIsServed) {
  const char* const targets[] = {
      "/ion/../secret.txt",
      "/ion/..%2fsecret.txt",
      "/ion/%2e%2e/secret.txt",
      "/ion/%2E%2E%2Fsecret.txt",
      "/ion/..\\secret.txt",
      "/ion/..",
      "/ion/.",
      "/ion/",
      "/ion//secret.txt",
      "/ion/sub/../../secret.txt",
      "/ion/sub/inner.txt",  // only the folder itself, not below it
      "/ion/sub",
      "/ion/link.txt",  // a link in the folder pointing out of it
      "/ion/fifo.txt",
      "/ion/missing.txt",
      "/ion/update.txt%00.sig",
      "/ion/ticker.ex_/",
  };
  for (const char* target : targets) {
    SCOPED_TRACE(target);
    const HttpReply reply = TickerGet(port_, target);
    ASSERT_TRUE(reply.received);
    // Dot segments are refused before routing (400); the rest is no file here (404).
    EXPECT_TRUE(reply.status == 404 || reply.status == 400) << reply.status;
    EXPECT_EQ(reply.body.find("outside"), std::string::npos);
    EXPECT_EQ(reply.body.find("one level"), std::string::npos);
    EXPECT_EQ(reply.Header("Last-Modified"), "");
  }
  // The query is not part of the name.
  EXPECT_EQ(TickerGet(port_, "/ion/update.txt?x=../secret.txt").body, "A better ticker.\r\n");
}

TEST(UpdateFileNames, OnlyPlainNamesInTheFolderItself) {
  const struct {
    const char* name;
    bool plain;
  } rows[] = {
      {"ticker.ex_", true},   {"vexlodb.dll.sig", true}, {"update-2.txt", true},
      {"", false},            {".", false},              {"..", false},
      {".hidden", false},     {"a/b", false},            {"a\\b", false},
      {"%2e%2e", false},      {"a b", false},            {"\xe9t\xe9.txt", false},
      {"a:b", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsPlainUpdateName(row.name), row.plain);
  }
  EXPECT_FALSE(IsPlainUpdateName(std::string_view("a\0b", 3)));
  EXPECT_FALSE(IsPlainUpdateName(std::string(256, 'a')));
  EXPECT_EQ(HttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
}

}  // namespace
