// A feed pass environment in memory: answers by address, files by name, sponsor keys by name, and
// a log of everything the pass asked for, in order.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "feed/feed_pass.h"
#include "support/program_texts.h"

class FakeFeedEnvironment : public FeedPassEnvironment {
 public:
  // Answers by exact address, in turn, the last one repeating; none: the fetch fails.
  std::map<std::string, std::vector<std::string>> answers;
  // Program files by name (the pass must use the exact names), and files by full path.
  std::map<std::string, std::string> programFiles, pathFiles;
  std::map<std::string, std::string> sponsorKeys;  // by the exact key the pass asks for
  std::function<void()> duringFetch;               // runs inside every fetch, after the answer
  // The status of an address's answers and whether they came whole; by default 200 and whole.
  std::map<std::string, HttpAnswer> answerInfo;
  bool unwritable = false;  // the program's folder: every write fails

  std::vector<std::string> log;  // "GET url", "READ name", "WRITE name", "OPEN url", "SOUND name"
  std::vector<size_t> fetchCapacities, readCapacities;
  std::vector<std::pair<std::string, std::string>> messages;

  size_t HttpGet(const char* url, char* buffer, size_t capacity, HttpAnswer* answer) override {
    log.push_back(std::string("GET ") + url);
    fetchCapacities.push_back(capacity);
    *answer = HttpAnswer();
    auto it = answers.find(url);
    if (it == answers.end() || it->second.empty()) return 0;
    const std::string body = it->second.front();
    if (it->second.size() > 1) it->second.erase(it->second.begin());
    const size_t n = Copy(body, buffer, capacity);
    auto info = answerInfo.find(url);
    *answer = info != answerInfo.end() ? info->second : HttpAnswer{200, true};
    if (n < body.size()) answer->whole = false;  // cut at the buffer
    if (duringFetch) duringFetch();
    return n;
  }
  bool WriteProgramFile(const char* name, const char* bytes, size_t count) override {
    log.push_back(std::string("WRITE ") + name);
    if (unwritable) return false;
    programFiles[name] = std::string(bytes, count);
    return true;
  }
  long ReadProgramFile(const char* name, char* buffer, size_t capacity) override {
    return Read(programFiles, name, buffer, capacity);
  }
  long ReadPathFile(const char* path, char* buffer, size_t capacity) override {
    return Read(pathFiles, path, buffer, capacity);
  }
  void ReadSponsorKey(const char* key, char* out, size_t capacity) override {
    auto it = sponsorKeys.find(key);
    Copy(it == sponsorKeys.end() ? "" : it->second, out, capacity);
  }
  void OpenUrl(const char* url) override { log.push_back(std::string("OPEN ") + url); }
  void LoadText(int id, char* out, size_t capacity) override {
    Copy(ProgramText(id), out, capacity);
  }
  void ShowMessage(const char* caption, const char* text) override {
    messages.emplace_back(caption, text);
  }
  void CurrentTimeHhmmss(char out[7]) override { std::strcpy(out, "134501"); }
  void PlayMailSound(const MailSound& sound) override {
    log.push_back(std::string("SOUND ") + sound.name);
  }

  std::string ProgramFile(const std::string& name) const {
    auto it = programFiles.find(name);
    return it == programFiles.end() ? "<missing>" : it->second;
  }
  // The log entries that begin with `prefix`.
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : log) {
      if (entry.compare(0, prefix.size(), prefix) == 0) found.push_back(entry);
    }
    return found;
  }

 private:
  static size_t Copy(const std::string& content, char* buffer, size_t capacity) {
    const size_t n = std::min(content.size(), capacity - 1);
    std::memcpy(buffer, content.data(), n);
    buffer[n] = '\0';
    return n;
  }
  long Read(const std::map<std::string, std::string>& files, const char* name, char* buffer,
            size_t capacity) {
    log.push_back(std::string("READ ") + name);
    readCapacities.push_back(capacity);
    auto it = files.find(name);
    return it == files.end() ? -1 : static_cast<long>(Copy(it->second, buffer, capacity));
  }
};
