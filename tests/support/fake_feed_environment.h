// A feed pass environment in memory: answers by address, files by name, sponsor keys by name, and
// a log of everything the pass asked for, in order.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "feed/feed_pass.h"

class FakeFeedEnvironment : public FeedPassEnvironment {
 public:
  // Answers by exact address; an address without one fails (0 bytes).
  std::map<std::string, std::string> answers;
  // Several answers in turn for one address; the last one repeats.
  std::map<std::string, std::vector<std::string>> answerSequences;
  // Files of the program's folder by name (compared without regard to case, as Windows does),
  // and files by full path.
  std::map<std::string, std::string> programFiles;
  std::map<std::string, std::string> pathFiles;
  std::map<std::string, std::string> sponsorKeys;
  std::string time = "134501";
  // Runs inside HttpGet, after the answer is stored: lets a test set `closing` mid-transfer.
  std::function<void(const std::string& url)> duringFetch;

  std::vector<std::string> log;  // "GET url", "READ name", "WRITE name", "OPEN url", "BOX caption", "SOUND name"
  std::vector<size_t> fetchCapacities;
  std::vector<size_t> readCapacities;
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<MailSound> sounds;

  size_t HttpGet(const char* url, char* buffer, size_t capacity) override {
    log.push_back(std::string("GET ") + url);
    fetchCapacities.push_back(capacity);
    std::string body;
    auto sequence = answerSequences.find(url);
    if (sequence != answerSequences.end() && !sequence->second.empty()) {
      body = sequence->second.front();
      if (sequence->second.size() > 1) sequence->second.erase(sequence->second.begin());
    } else {
      auto it = answers.find(url);
      if (it == answers.end()) return 0;
      body = it->second;
    }
    if (capacity == 0) return 0;
    const size_t n = std::min(body.size(), capacity - 1);
    std::memcpy(buffer, body.data(), n);
    buffer[n] = '\0';
    if (duringFetch) duringFetch(url);
    return n;
  }

  long ReadProgramFile(const char* name, char* buffer, size_t capacity) override {
    log.push_back(std::string("READ ") + name);
    readCapacities.push_back(capacity);
    auto it = FindProgramFile(name);
    if (it == programFiles.end()) return -1;
    return Copy(it->second, buffer, capacity);
  }

  long ReadPathFile(const char* path, char* buffer, size_t capacity) override {
    log.push_back(std::string("READ ") + path);
    readCapacities.push_back(capacity);
    auto it = pathFiles.find(path);
    if (it == pathFiles.end()) return -1;
    return Copy(it->second, buffer, capacity);
  }

  bool WriteProgramFile(const char* name, const char* bytes, size_t count) override {
    log.push_back(std::string("WRITE ") + name);
    auto it = FindProgramFile(name);
    if (it != programFiles.end()) programFiles.erase(it);
    programFiles[name] = std::string(bytes, count);
    return true;
  }

  void ReadSponsorKey(const char* key, char* out, size_t capacity) override {
    std::string value;
    for (const auto& entry : sponsorKeys) {
      if (Lower(entry.first) == Lower(key)) value = entry.second;
    }
    const size_t n = std::min(value.size(), capacity - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
  }

  void OpenUrl(const char* url) override { log.push_back(std::string("OPEN ") + url); }

  void ShowMessage(const char* caption, const char* text) override {
    log.push_back(std::string("BOX ") + caption);
    messages.emplace_back(caption, text);
  }

  void CurrentTimeHhmmss(char out[7]) override {
    std::strncpy(out, time.c_str(), 6);
    out[6] = '\0';
  }

  void PlayMailSound(const MailSound& sound) override {
    log.push_back(std::string("SOUND ") + sound.name);
    sounds.push_back(sound);
  }

  // The file's content, or "<missing>".
  std::string ProgramFile(const std::string& name) {
    auto it = FindProgramFile(name);
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
  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  std::map<std::string, std::string>::iterator FindProgramFile(const std::string& name) {
    for (auto it = programFiles.begin(); it != programFiles.end(); ++it) {
      if (Lower(it->first) == Lower(name)) return it;
    }
    return programFiles.end();
  }

  static long Copy(const std::string& content, char* buffer, size_t capacity) {
    const size_t n = std::min(content.size(), capacity - 1);
    std::memcpy(buffer, content.data(), n);
    buffer[n] = '\0';
    return static_cast<long>(n);
  }
};
