// The in-tree corpus of news documents: every title and link each one must give, as its
// manifest lists them, and the share of titles matched.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "news_document.h"
#include "text_convert.h"

namespace {

struct ExpectedDocument {
  std::string file;
  std::string address;
  std::string charset;
  int line = 0;
  std::vector<NewsItem> items;  // titles in UTF-8 as the manifest writes them
};

std::string CorpusPath(const std::string& name) {
  return std::string(NEWSRAIL_CORPUS_DIR) + "/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Trimmed(const std::string& text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return std::string();
  return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

std::vector<ExpectedDocument> ReadManifest() {
  std::vector<ExpectedDocument> documents;
  std::istringstream lines(ReadFile(CorpusPath("manifest.txt")));
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("file ", 0) == 0) {
      ExpectedDocument document;
      std::istringstream fields(line.substr(5));
      fields >> document.file >> document.address >> document.charset;
      if (document.address == "-") document.address.clear();
      document.line = number;
      documents.push_back(document);
    } else if (line.rfind("item ", 0) == 0 && !documents.empty()) {
      const size_t bar = line.rfind(" |");
      EXPECT_NE(bar, std::string::npos) << "manifest line " << number;
      if (bar == std::string::npos) continue;
      documents.back().items.push_back(
          {Trimmed(line.substr(5, bar - 5)), Trimmed(line.substr(bar + 2))});
    } else {
      ADD_FAILURE() << "manifest line " << number << " reads neither file nor item: " << line;
    }
  }
  return documents;
}

TEST(Corpus, EveryDocumentGivesItsTitlesAndLinks) {
  const std::vector<ExpectedDocument> documents = ReadManifest();
  ASSERT_FALSE(documents.empty());
  size_t titles = 0, matched = 0;
  for (const ExpectedDocument& expected : documents) {
    SCOPED_TRACE(expected.file + " (manifest line " + std::to_string(expected.line) + ")");
    const std::string bytes = ReadFile(CorpusPath(expected.file));
    ASSERT_FALSE(bytes.empty());
    NewsDocument document;
    std::string error;
    const bool parsed =
        ParseNewsDocument(bytes, expected.address, 100, &document, &error, expected.charset);
    EXPECT_TRUE(parsed) << error;
    EXPECT_EQ(document.items.size(), expected.items.size());
    titles += expected.items.size();
    for (size_t i = 0; i < expected.items.size(); ++i) {
      const std::string want = Utf8ToWindows1252(expected.items[i].title);
      if (i >= document.items.size()) continue;
      const NewsItem& got = document.items[i];
      EXPECT_EQ(got.title, want) << "item " << i + 1;
      EXPECT_EQ(got.link, expected.items[i].link) << "item " << i + 1;
      if (got.title == want) ++matched;
    }
  }
  std::printf("corpus: %zu of %zu titles matched (%.1f %%) in %zu documents\n", matched, titles,
              titles == 0 ? 0.0 : 100.0 * static_cast<double>(matched) / titles, documents.size());
}

TEST(Corpus, ManifestListsEveryFileOnce) {
  std::set<std::string> listed;
  for (const ExpectedDocument& document : ReadManifest()) {
    EXPECT_TRUE(listed.insert(document.file).second) << document.file << " listed twice";
    EXPECT_FALSE(document.items.empty()) << document.file << " expects no stories";
  }
  DIR* folder = opendir(NEWSRAIL_CORPUS_DIR);
  ASSERT_NE(folder, nullptr);
  std::set<std::string> present;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && name != "manifest.txt") present.insert(name);
  }
  closedir(folder);
  EXPECT_EQ(present, listed);
}

}  // namespace
