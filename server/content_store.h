// Where content comes from: news sources (files or addresses) per topic, the quote, weather and
// accounts files and the sponsor files, kept fresh by a background thread and published as
// read-only snapshots.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "settings/default_server.h"
#include <vector>

#include "content_snapshot.h"
#include "request_log.h"
#include "sessions.h"
#include "url_fetch.h"

struct ContentOptions {
  std::string feeds;  // the news sources list
  std::string quotes;
  std::string weather;
  std::string accounts;
  std::string sponsorFile;
  std::string sponsorImage;
  std::string publicUrl = kDefaultServer;
  std::chrono::seconds refreshInterval{300};  // between fetches of one address
  std::chrono::milliseconds fileCheckInterval{2000};
  FetchLimits fetch;  // maxBytes bounds files as well
  std::string passwordHistory;  // the file of PasswordChanges; "" keeps it in memory
};

// The most items kept from one source and the most stories kept per topic.
constexpr size_t kMaxItemsPerSource = 100;
constexpr size_t kMaxStoriesKept = 50;

class ContentStore {
 public:
  ContentStore(ContentOptions options, RequestLog* log);
  ~ContentStore();
  ContentStore(const ContentStore&) = delete;
  ContentStore& operator=(const ContentStore&) = delete;

  // Links to the server's own pages start with this; set it before the first Refresh.
  void SetPublicUrl(const std::string& url);

  // One pass: reads the files that changed (every file when forced), fetches the addresses that
  // are due (every address when forced), and publishes a new snapshot when anything changed. A
  // source that fails keeps serving its last good copy, and the log says why.
  void Refresh(bool force);

  // The current snapshot; never null (empty before the first Refresh).
  SnapshotPointer Snapshot() const;

  // Refreshes on a background thread until StopRefreshing or destruction.
  void StartRefreshing();
  void StopRefreshing();

 private:
  struct FileStamp {
    bool exists = false;
    unsigned long long device = 0, inode = 0, size = 0, modified = 0;
    bool operator==(const FileStamp& other) const;
  };
  struct Source {
    std::string topic;
    std::string location;  // an address, or a file path as the list names it
    std::string path;      // the file path, resolved against the list's folder; "" for addresses
    std::string charset;   // the charset the last fetch's answer named
    FileStamp stamp;
    std::chrono::steady_clock::time_point nextFetch;
    std::vector<NewsItem> lastGood;
    std::string lastError;
  };
  struct DataFile {
    std::string path;
    FileStamp stamp;
    std::string bytes;  // the last copy read
  };

  bool RefreshSourceList(bool force);
  bool RefreshSource(Source* source, bool force);
  bool RefreshDataFile(DataFile* file, bool force, bool required);
  bool ReadCapped(const std::string& path, std::string* bytes, std::string* error) const;
  void Publish();

  ContentOptions options_;
  RequestLog* log_;

  std::mutex refreshMutex_;  // one pass at a time; guards everything below up to the snapshot
  DataFile feedsList_;
  std::vector<Source> sources_;
  DataFile quotesFile_, weatherFile_, accountsFile_, sponsorFile_, sponsorImage_;
  PasswordChanges passwordChanges_;

  mutable std::mutex snapshotMutex_;
  SnapshotPointer snapshot_;

  std::atomic<bool> stopping_{false};
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  std::thread thread_;
};
