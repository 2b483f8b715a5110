// Loading, refreshing and publishing content. All parsing happens here, on the refresh thread
// (or in a test calling Refresh); request threads only ever read a finished snapshot.
#include "content_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "data_request.h"

namespace {

bool IsAddress(const std::string& location) {
  return location.rfind("http://", 0) == 0 || location.rfind("https://", 0) == 0;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Up to five notes for a file's problems, then a count of the rest.
void NoteProblems(RequestLog* log, const std::string& path,
                  const std::vector<std::string>& problems) {
  for (size_t i = 0; i < problems.size() && i < 5; ++i) log->Note(path + ": " + problems[i]);
  if (problems.size() > 5) {
    log->Note(path + ": and " + std::to_string(problems.size() - 5) + " more lines skipped");
  }
}

// Interleaves the sources of one topic, each in its own order, so that every source's newest
// stories come first; a story that two sources carry (same link, or same title) appears once.
std::vector<NewsItem> MergeStories(const std::vector<const std::vector<NewsItem>*>& lists,
                                   const std::string& fallbackLink) {
  std::vector<NewsItem> merged;
  std::set<std::string> seen;
  size_t longest = 0;
  for (const auto* list : lists) longest = std::max(longest, list->size());
  for (size_t i = 0; i < longest && merged.size() < kMaxStoriesKept; ++i) {
    for (const auto* list : lists) {
      if (i >= list->size() || merged.size() == kMaxStoriesKept) continue;
      NewsItem item = (*list)[i];
      if (!seen.insert("t:" + item.title).second) continue;
      if (!item.link.empty() && !seen.insert("l:" + item.link).second) continue;
      if (item.link.empty()) item.link = fallbackLink;
      merged.push_back(std::move(item));
    }
  }
  return merged;
}

FeedRow RowOrEmpty(const std::string& text, const std::string& link) {
  FeedRow row;
  MakeFeedRow(text, link, &row);
  return row;
}

}  // namespace

bool ContentStore::FileStamp::operator==(const FileStamp& other) const {
  return exists == other.exists && device == other.device && inode == other.inode &&
         size == other.size && modified == other.modified;
}

ContentStore::ContentStore(ContentOptions options, RequestLog* log)
    : options_(std::move(options)), log_(log), snapshot_(std::make_shared<ContentSnapshot>()) {
  feedsList_.path = options_.feeds;
  quotesFile_.path = options_.quotes;
  weatherFile_.path = options_.weather;
  accountsFile_.path = options_.accounts;
  sponsorFile_.path = options_.sponsorFile;
  sponsorImage_.path = options_.sponsorImage;
  passwordChanges_ = PasswordChanges(options_.passwordHistory);
}

ContentStore::~ContentStore() { StopRefreshing(); }

void ContentStore::SetPublicUrl(const std::string& url) {
  std::lock_guard<std::mutex> lock(refreshMutex_);
  options_.publicUrl = url;
  while (!options_.publicUrl.empty() && options_.publicUrl.back() == '/') {
    options_.publicUrl.pop_back();
  }
}

SnapshotPointer ContentStore::Snapshot() const {
  std::lock_guard<std::mutex> lock(snapshotMutex_);
  return snapshot_;
}

bool ContentStore::ReadCapped(const std::string& path, std::string* bytes,
                              std::string* error) const {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  // Read one byte past the limit to tell "exactly the limit" from "more"; the size that stat
  // reports is not trusted (a pipe or a device has none).
  const size_t limit = options_.fetch.maxBytes;
  bytes->assign(limit + 1, '\0');
  const size_t got = std::fread(bytes->data(), 1, limit + 1, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  bytes->resize(got);
  if (failed) {
    *error = "cannot read";
  } else if (got > limit) {
    *error = "larger than " + std::to_string(limit) + " bytes";
  } else {
    return true;
  }
  bytes->clear();
  return false;
}

namespace {

// The stamp of a file as stat sees it; a file that changes gets a new stamp.
template <typename Stamp>
Stamp StampOf(const std::string& path) {
  Stamp stamp;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = static_cast<unsigned long long>(info.st_size);
  stamp.modified = static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ULL +
                   static_cast<unsigned long long>(info.st_mtim.tv_nsec);
  return stamp;
}

}  // namespace

bool ContentStore::RefreshDataFile(DataFile* file, bool force, bool required) {
  if (file->path.empty()) return false;
  const FileStamp stamp = StampOf<FileStamp>(file->path);
  if (!force && stamp == file->stamp) return false;
  file->stamp = stamp;
  std::string bytes, error;
  if (!stamp.exists) {
    if (required || !file->bytes.empty()) {
      log_->Note(file->path + ": missing" +
                 (file->bytes.empty() ? std::string() : ", keeping the last copy read"));
    }
    return false;
  }
  if (!ReadCapped(file->path, &bytes, &error)) {
    log_->Note(file->path + ": " + error + ", keeping the last copy read");
    return false;
  }
  if (bytes == file->bytes) return false;
  file->bytes = std::move(bytes);
  return true;
}

bool ContentStore::RefreshSourceList(bool force) {
  if (!RefreshDataFile(&feedsList_, force, true) && !(force && sources_.empty())) return false;
  std::vector<Source> previous = std::move(sources_);
  sources_.clear();
  std::vector<std::string> problems;
  const std::string folder = Folder(feedsList_.path);
  std::string_view text = feedsList_.bytes;
  for (int number = 1; !text.empty(); ++number) {
    const size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    line = line.substr(start, line.find_last_not_of(" \t\r") + 1 - start);
    const size_t gap = line.find_first_of(" \t");
    const std::string topic = line.substr(0, gap);
    const size_t at = gap == std::string::npos ? gap : line.find_first_not_of(" \t", gap);
    const std::string location = at == std::string::npos ? std::string() : line.substr(at);
    if (!IsNewsTopic(topic) || location.empty()) {
      problems.push_back("line " + std::to_string(number) + ": expected TOPIC SOURCE");
      continue;
    }
    auto same = std::find_if(previous.begin(), previous.end(), [&](const Source& s) {
      return s.topic == topic && s.location == location;
    });
    if (same != previous.end()) {
      sources_.push_back(std::move(*same));
      previous.erase(same);
      continue;
    }
    Source source;
    source.topic = topic;
    source.location = location;
    if (!IsAddress(location)) source.path = location[0] == '/' ? location : folder + "/" + location;
    sources_.push_back(std::move(source));
  }
  NoteProblems(log_, feedsList_.path, problems);
  return true;
}

bool ContentStore::RefreshSource(Source* source, bool force) {
  const auto now = std::chrono::steady_clock::now();
  std::string bytes, error;
  bool loaded;
  if (source->path.empty()) {
    if (!force && now < source->nextFetch) return false;
    source->nextFetch = now + options_.refreshInterval;
    loaded =
        FetchUrl(source->location, options_.fetch, &stopping_, &bytes, &error, &source->charset);
  } else {
    const FileStamp stamp = StampOf<FileStamp>(source->path);
    if (!force && stamp == source->stamp) return false;
    source->stamp = stamp;
    loaded = ReadCapped(source->path, &bytes, &error);
  }
  NewsDocument document;
  // A file of the content folder is this server's: its relative links lead to our own pages.
  const std::string localBase = source->path.empty() ? std::string() : options_.publicUrl + "/";
  if (loaded && ParseNewsDocument(bytes, source->location, kMaxItemsPerSource, &document, &error,
                                  source->charset, localBase)) {
    if (!source->lastError.empty()) log_->Note(source->location + ": good again");
    source->lastError.clear();
    if (document.untitled > 0) {
      log_->Note(source->location + ": " + std::to_string(document.untitled) +
                 " items without a title left out");
    }
    source->lastGood = std::move(document.items);
    return true;
  }
  source->lastError = error;
  log_->Note(source->location + " (" + source->topic + "): " + error +
             (source->lastGood.empty() ? "; nothing to serve from it yet"
                                       : "; keeping the last good copy of " +
                                             std::to_string(source->lastGood.size()) + " stories"));
  return false;
}

void ContentStore::Refresh(bool force) {
  std::lock_guard<std::mutex> lock(refreshMutex_);
  bool changed = RefreshSourceList(force);
  for (Source& source : sources_) {
    if (stopping_) return;
    changed = RefreshSource(&source, force) || changed;
  }
  changed = RefreshDataFile(&quotesFile_, force, true) || changed;
  changed = RefreshDataFile(&weatherFile_, force, true) || changed;
  changed = RefreshDataFile(&accountsFile_, force, true) || changed;
  changed = RefreshDataFile(&sponsorFile_, force, false) || changed;
  changed = RefreshDataFile(&sponsorImage_, force, false) || changed;
  if (changed || force) Publish();
}

void ContentStore::Publish() {
  auto snapshot = std::make_shared<ContentSnapshot>();
  const std::string& base = options_.publicUrl;
  snapshot->publicUrl = base;

  for (const char* code : kNewsTopics) {
    std::vector<const std::vector<NewsItem>*> lists;
    for (const Source& source : sources_) {
      if (source.topic == code && !source.lastGood.empty()) lists.push_back(&source.lastGood);
    }
    const std::string topicPage = base + "/news/" + code;
    std::vector<NewsItem> stories = MergeStories(lists, topicPage);
    if (stories.empty()) continue;
    TopicContent& topic = snapshot->topics[code];
    topic.code = code;
    topic.caption = NewsTopicCaption(code);
    topic.captionRow = RowOrEmpty(topic.caption, topicPage);
    for (NewsItem& story : stories) {
      FeedRow row;
      // A link the ticker would cut short leads to the topic page instead.
      if (!MakeFeedRow(story.title, story.link, &row)) {
        story.link = topicPage;
        if (!MakeFeedRow(story.title, story.link, &row)) continue;
      }
      const std::string storyPage = base + "/story/";
      if (story.link.compare(0, storyPage.size(), storyPage) == 0) {
        snapshot->storyPages[story.link.substr(storyPage.size())] = {code, topic.stories.size()};
      }
      topic.storyRows.push_back(std::move(row));
      topic.stories.push_back(std::move(story));
    }
  }

  std::vector<std::string> problems;
  for (const Quote& quote : ParseQuotes(quotesFile_.bytes, &problems)) {
    snapshot->quotes[quote.symbol] = quote;
    snapshot->quoteRows[quote.symbol] =
        RowOrEmpty(FormatQuoteText(quote), base + "/quotes/q?s=" + quote.symbol);
  }
  NoteProblems(log_, quotesFile_.path, problems);
  problems.clear();
  for (const WeatherReading& reading : ParseWeather(weatherFile_.bytes, &problems)) {
    snapshot->weather[reading.airport] = reading;
    const std::string link = base + "/weather/" + reading.airport;
    snapshot->fahrenheitRows[reading.airport] = RowOrEmpty(FormatWeatherText(reading, true), link);
    snapshot->celsiusRows[reading.airport] = RowOrEmpty(FormatWeatherText(reading, false), link);
  }
  NoteProblems(log_, weatherFile_.path, problems);
  problems.clear();
  snapshot->accounts = ParseAccounts(accountsFile_.bytes, &problems);
  passwordChanges_.Update(&snapshot->accounts, std::time(nullptr));
  NoteProblems(log_, accountsFile_.path, problems);

  snapshot->quotesCaption = RowOrEmpty("Quotes:", base + "/quotes/lookup.html");
  snapshot->weatherCaption = RowOrEmpty("Weather:", base + "/weather/");
  snapshot->mailCaption = RowOrEmpty("Mail:", base + "/mail/");
  snapshot->sponsorText = sponsorFile_.bytes;
  snapshot->sponsorImage = sponsorImage_.bytes;

  std::lock_guard<std::mutex> lock(snapshotMutex_);
  snapshot_ = std::move(snapshot);
}

void ContentStore::StartRefreshing() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    while (!stopping_) {
      wake_.wait_for(lock, options_.fileCheckInterval, [this] { return stopping_.load(); });
      if (stopping_) break;
      lock.unlock();
      Refresh(false);
      lock.lock();
    }
  });
}

void ContentStore::StopRefreshing() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}
