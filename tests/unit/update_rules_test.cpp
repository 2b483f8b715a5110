// The software update's decisions: the version test on the package's date, the release note's
// bound, the host of each file, and which downloaded sets may be offered.
#include "update/update_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr uint64_t kUnit = uint64_t{1} << 32;  // one step of the upper half, about 429.5 s
constexpr uint64_t kMinute = 60ull * 10000000ull;
constexpr uint64_t kDay = 24 * 60 * kMinute;
// 2024-03-05 14:07:09 UTC as a file time, with a lower half well inside its unit.
constexpr uint64_t kProgram = 133540708290000000ull;

TEST(PackageIsNewer, NeedsMoreThanFiveUnitsOfTheUpperHalf) {
  const uint64_t programHigh = kProgram & ~(kUnit - 1);
  const struct {
    const char* what;
    uint64_t package;
    uint64_t program;
    bool newer;
  } rows[] = {
      {"same date", kProgram, kProgram, false},
      {"a few minutes newer", kProgram + 5 * kMinute, kProgram, false},
      {"35 minutes newer", kProgram + 35 * kMinute, kProgram, false},
      {"44 minutes newer", kProgram + 44 * kMinute, kProgram, true},
      {"a day newer", kProgram + kDay, kProgram, true},
      {"a day older", kProgram - kDay, kProgram, false},
      // Only the upper halves count: five units apart is not enough, six is, whatever the lower.
      {"upper + 5, lower at the end", programHigh + 5 * kUnit + (kUnit - 1), programHigh, false},
      {"upper + 6, lower zero", programHigh + 6 * kUnit, programHigh + (kUnit - 1), true},
      // A date at the very start of the era must not wrap round into the far future.
      {"package at zero", 0, kProgram, false},
      {"package four units", 4 * kUnit, 0, false},
      {"package six units", 6 * kUnit, 0, true},
      {"a day newer at the end of time", ~uint64_t{0}, ~uint64_t{0} - kDay, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(PackageIsNewer(row.package, row.program), row.newer);
  }
}

TEST(TakeReleaseNote, ShowsAtMost999BytesUnchangedUpToTheFirstNul) {
  const std::string long1200(1200, 'x');
  const std::string exact999(999, 'y');
  const struct {
    const char* what;
    std::string received;
    size_t count;
    std::string shown;
  } rows[] = {
      {"plain note", "Fixes.\r\nMore fixes.", 19, "Fixes.\r\nMore fixes."},
      {"nothing came", "", 0, ""},
      {"exactly 999", exact999, 999, exact999},
      {"longer note is cut", long1200, 1200, long1200.substr(0, 999)},
      {"stops at a NUL", std::string("ab\0cd", 5), 5, "ab"},
      {"bytes kept as they are", "\x95 caf\xe9 & <b>", 12, "\x95 caf\xe9 & <b>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    char note[kReleaseNoteSize];
    std::memset(note, '#', sizeof note);
    TakeReleaseNote(row.received.data(), row.count, note);
    EXPECT_EQ(std::string(note), row.shown);
    EXPECT_EQ(note[kReleaseNoteSize - 1], '\0');
  }
  char note[kReleaseNoteSize];
  TakeReleaseNote(nullptr, 10, note);
  EXPECT_EQ(note[0], '\0');
}

TEST(UpdateHost, TheInstallerAlwaysComesFromThePublisher) {
  const struct {
    UpdateFile file;
    bool myVexlo;
    Endpoint host;
  } rows[] = {
      {UpdateFile::kPackage, true, Endpoint::kPublisherUpdate},
      {UpdateFile::kPackage, false, Endpoint::kMaker},
      {UpdateFile::kNote, true, Endpoint::kPublisherUpdate},
      {UpdateFile::kNote, false, Endpoint::kMaker},
      {UpdateFile::kLibrary, true, Endpoint::kPublisherUpdate},
      {UpdateFile::kLibrary, false, Endpoint::kMaker},
      {UpdateFile::kInstaller, true, Endpoint::kPublisherUpdate},
      {UpdateFile::kInstaller, false, Endpoint::kPublisherUpdate},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(DescribeUpdateFile(row.file).remotePath);
    SCOPED_TRACE(row.myVexlo);
    EXPECT_EQ(UpdateHost(row.file, row.myVexlo), row.host);
  }
  EXPECT_EQ(UpdatingColorIndex(true), 11);
  EXPECT_EQ(UpdatingColorIndex(false), 14);
  // Every file that is code carries a signature; the note is only shown.
  EXPECT_TRUE(DescribeUpdateFile(UpdateFile::kPackage).signedProgram);
  EXPECT_TRUE(DescribeUpdateFile(UpdateFile::kLibrary).signedProgram);
  EXPECT_TRUE(DescribeUpdateFile(UpdateFile::kInstaller).signedProgram);
  EXPECT_FALSE(DescribeUpdateFile(UpdateFile::kNote).signedProgram);
}

TEST(JudgeDownloads, OffersOnlyWhatThePublisherSigned) {
  const DownloadedProgram good{true, true, true};
  const DownloadedProgram absent{false, false, false};
  const DownloadedProgram errorPage{true, false, false};  // the server has no such file
  const DownloadedProgram unsigned_{true, true, false};
  const DownloadedProgram signedPage{true, false, true};
  const struct {
    const char* what;
    DownloadedProgram package, library, installer;
    UpdateVerdict verdict;
  } rows[] = {
      {"all signed", good, good, good, UpdateVerdict::kOffer},
      {"package alone", good, absent, absent, UpdateVerdict::kOffer},
      {"no library or installer published", good, errorPage, errorPage, UpdateVerdict::kOffer},
      {"package did not arrive", absent, good, good, UpdateVerdict::kNothing},
      {"package unsigned", unsigned_, good, good, UpdateVerdict::kRefuse},
      // The package is compressed, not a program, and is trusted only by its signature.
      {"package is an error page", errorPage, good, good, UpdateVerdict::kRefuse},
      {"library unsigned", good, unsigned_, good, UpdateVerdict::kRefuse},
      {"installer unsigned", good, good, unsigned_, UpdateVerdict::kRefuse},
      {"signed non-program", good, signedPage, good, UpdateVerdict::kOffer},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(JudgeDownloads(row.package, row.library, row.installer), row.verdict);
  }
}

TEST(LooksLikeProgram, WantsTheMzMark) {
  const unsigned char program[] = {'M', 'Z', 0x90, 0};
  const unsigned char page[] = {'<', 'h', 't', 'm'};
  const unsigned char half[] = {'M'};
  EXPECT_TRUE(LooksLikeProgram(program, sizeof program));
  EXPECT_FALSE(LooksLikeProgram(page, sizeof page));
  EXPECT_FALSE(LooksLikeProgram(half, sizeof half));
  EXPECT_FALSE(LooksLikeProgram(nullptr, 0));
}

}  // namespace
