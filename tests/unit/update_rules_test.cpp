// The software update's decisions: the version test on the package's date, the release note's
// bound, the host of each file, the signed manifest (what parses, which version is offered, which
// file is taken), which downloaded sets may be offered, and what a start does about a hand-off
// that was cut off.
#include "update/update_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "update/update_manifest.h"

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
      {UpdateFile::kManifest, true, Endpoint::kPublisherUpdate},
      {UpdateFile::kManifest, false, Endpoint::kMaker},
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
}

// The manifest's decisions in one table: what parses, which version is offered to a program of
// version 2.0.1.0, and which files the manifest requires and bounds.
const std::string kHash(64, 'a');
const std::string kPackageLine = "file ticker.ex_ 1000 " + kHash + "\n";
const std::string kProgramLine = "file Ticker.exe 4000 " + kHash + "\n";
const std::string kNoteLine = "file update.txt 999 " + kHash + "\n";
const std::string kFiles = kPackageLine + kProgramLine + kNoteLine;

std::string Manifest(const std::string& version, const std::string& files = kFiles,
                     const std::string& product = "Vexlo! Newsrail") {
  return "product " + product + "\nversion " + version + "\n" + files;
}

// A manifest of version 2.0.1.1 with these file lines; one file line.
std::string Listing(const std::string& files) { return Manifest("2.0.1.1", files); }
std::string File(const std::string& name, const std::string& size) {
  return "file " + name + " " + size + " " + kHash + "\n";
}

std::string Decide(const std::string& text, const char* product, const ProgramVersion& own) {
  UpdateManifest manifest;
  if (!ParseUpdateManifest(text.data(), text.size(), &manifest)) return "malformed";
  switch (JudgeManifest(manifest, product, own)) {
    case ManifestVerdict::kOffer: return "offer";
    case ManifestVerdict::kNotNewer: return "not newer";
    case ManifestVerdict::kUnusable: return "unusable";
  }
  return "?";
}

TEST(UpdateManifest, ParsesOnlyItsOwnFormAndOffersOnlyANewerCompleteUpdate) {
  const std::string full = std::to_string(kDownloadBufferSize);
  const std::string over = std::to_string(kDownloadBufferSize + 1);
  std::string tooMany = kFiles;
  for (int i = 0; i < 6; ++i) tooMany += File("x" + std::to_string(i), "1");
  const struct {
    const char* what;
    std::string manifest;
    const char* decision;  // "malformed" or the verdict
  } rows[] = {
      {"one number newer", Manifest("2.0.1.1"), "offer"},
      {"the same version (a replay)", Manifest("2.0.1.0"), "not newer"},
      {"older: the third number before the fourth", Manifest("2.0.0.65535"), "not newer"},
      {"older: the first number first", Manifest("1.65535.65535.65535"), "not newer"},
      {"numbers, not text: 10 after 2", Manifest("10.0.0.0"), "offer"},
      {"CR LF, a later keyword, no last line end",
       "product Vexlo! Newsrail\r\nversion 2.0.1.1\r\nsigned-by x\r\n" + kPackageLine +
           kProgramLine + kNoteLine.substr(0, kNoteLine.size() - 1),
       "offer"},
      {"another product", Manifest("2.0.1.1", kFiles, "Newsrail Lite"), "unusable"},
      {"no package", Listing(kProgramLine + kNoteLine), "unusable"},
      {"no program", Listing(kPackageLine + kNoteLine), "unusable"},
      {"no release note", Listing(kPackageLine + kProgramLine), "unusable"},
      {"a note over 999 bytes", Listing(kPackageLine + kProgramLine + File("update.txt", "1000")),
       "unusable"},
      {"a package over the buffer", Listing(File("ticker.ex_", over) + kProgramLine + kNoteLine),
       "unusable"},
      {"a library that fills the buffer", Listing(kFiles + File("vexlodb.dll", full)), "offer"},
      {"no version", "product Vexlo! Newsrail\n" + kFiles, "malformed"},
      {"no product", "version 2.0.1.1\n" + kFiles, "malformed"},
      {"two versions", Manifest("2.0.1.1") + "version 9.0.0.0\n", "malformed"},
      {"three numbers", Manifest("2.0.1"), "malformed"},
      {"five numbers", Manifest("2.0.1.1.1"), "malformed"},
      {"a number above 65535", Manifest("2.0.1.65536"), "malformed"},
      {"a leading zero", Manifest("2.0.1.01"), "malformed"},
      {"a sign", Manifest("2.0.1.+1"), "malformed"},
      {"a space after the version", Manifest("2.0.1.1 "), "malformed"},
      {"a file named twice", Listing(kFiles + kNoteLine), "malformed"},
      {"a file name with a path", Listing(kFiles + File("..\\T.exe", "1")), "malformed"},
      {"a short hash", Listing(kFiles + "file x.dll 1 " + kHash.substr(1)), "malformed"},
      {"a hash that is not hex", Listing(kFiles + "file x.dll 1 g" + kHash.substr(1)), "malformed"},
      {"a negative size", Listing(kFiles + File("x.dll", "-1")), "malformed"},
      {"more files than it may list", Listing(tooMany), "malformed"},
      {"a NUL", Manifest("2.0.1.1") + std::string(1, '\0'), "malformed"},
      {"larger than any manifest", Manifest("2.0.1.1") + std::string(kManifestMaxSize, '#'),
       "malformed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Decide(row.manifest, "Vexlo! Newsrail", {{2, 0, 1, 0}}), row.decision);
  }
  // The program judges by its own product and the version its own resource carries.
  const ProgramVersion own = OwnProgramVersion();
  char version[32];
  std::snprintf(version, sizeof version, "%u.%u.%u.%u", own.part[0], own.part[1], own.part[2],
                own.part[3]);
  EXPECT_EQ(Decide(Manifest(version, kFiles, OwnProductName()), OwnProductName(), own),
            "not newer");
}

TEST(UpdateManifest, TakesAFileOnlyByItsOwnNameSizeAndHash) {
  // The package's hash is 0xAA in every byte; the installer's is 0xBB, written in upper case.
  const std::string text =
      Listing(File("ticker.ex_", "1043881") + "file vinstall.exe 98304 " + std::string(64, 'B'));
  UpdateManifest manifest;
  ASSERT_TRUE(ParseUpdateManifest(text.data(), text.size(), &manifest));
  const struct {
    const char* what;
    const char* name;
    uint64_t size;
    uint8_t hashByte;
    bool taken;
  } rows[] = {
      {"as listed", "ticker.ex_", 1043881, 0xaa, true},
      {"the other file as listed", "vinstall.exe", 98304, 0xbb, true},
      {"one byte longer", "ticker.ex_", 1043882, 0xaa, false},
      {"the installer's hash under the package's name", "ticker.ex_", 1043881, 0xbb, false},
      {"a name in another case", "TICKER.EX_", 1043881, 0xaa, false},
      {"a name not listed", "vexlodb.dll", 1043881, 0xaa, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    uint8_t hash[kSha256Size];
    std::memset(hash, row.hashByte, sizeof hash);
    EXPECT_EQ(FileMatchesManifest(manifest, row.name, row.size, hash), row.taken);
  }
}

TEST(JudgeDownloads, OffersOnlyWhenEveryListedFileCameAsListed) {
  const FetchedFile good{true, true};
  const FetchedFile missing{false, false};
  const FetchedFile swapped{true, false};
  const struct {
    const char* what;
    std::vector<FetchedFile> files;
    UpdateVerdict verdict;
  } rows[] = {
      {"all as listed", {good, good, good, good}, UpdateVerdict::kOffer},
      {"the package and the note alone", {good, good}, UpdateVerdict::kOffer},
      {"one did not come: quietly nothing", {good, missing, good}, UpdateVerdict::kNothing},
      {"one swapped: refused", {good, swapped, good}, UpdateVerdict::kRefuse},
      {"a swapped one refuses, whatever is missing", {missing, swapped}, UpdateVerdict::kRefuse},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(JudgeDownloads(row.files.data(), row.files.size()), row.verdict);
  }
}

TEST(PendingUpdate, AnInterruptedHandOffIsFinishedRetriedOrGivenUp) {
  using P = PendingUpdate;
  const struct {
    const char* what;
    bool marker;
    const char* count;
    bool verified, programNew, copyNew, restart;
    PendingUpdate decision;
  } rows[] = {
      {"no hand-off under way", false, "", true, true, true, false, P::kNone},
      {"cut off after the program was replaced", true, "1\r\n", true, true, false, false,
       P::kPostUpdate},
      {"the same at a restart", true, "1", true, true, false, true, P::kPostUpdate},
      {"cut off before: hand off again", true, "1\r\n", true, false, true, false, P::kHandOffAgain},
      {"cut off before the copy began", true, "0", true, false, true, false, P::kHandOffAgain},
      {"the restart after a failed hand-off waits", true, "1", true, false, true, true,
       P::kLeaveForLater},
      {"three hand-offs begun: given up", true, "3", true, false, true, false, P::kGiveUp},
      {"a copy that is not the manifest's", true, "1", true, false, false, false, P::kGiveUp},
      {"a manifest that does not verify", true, "1", false, false, false, false, P::kGiveUp},
      {"a marker that holds no number counts none", true, "x9", true, false, true, false,
       P::kHandOffAgain},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const int32_t begun = ReadHandOffStarts(row.count, std::strlen(row.count));
    EXPECT_EQ(DecidePendingUpdate(row.marker, begun, row.verified, row.programNew, row.copyNew,
                                  row.restart),
              row.decision);
  }
}

}  // namespace
