// The Mail Alerts tab's load and Apply over an in-memory key, and the About tab's version line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "prefs/about_text.h"
#include "prefs/mail_page_store.h"
#include "res/resource.h"
#include "support/fake_page_controls.h"

namespace {

std::vector<std::string> Writes(const MemoryStore& memory) {
  std::vector<std::string> writes;
  for (const std::string& entry : memory.log) {
    if (entry.rfind("W ", 0) == 0) writes.push_back(entry.substr(2));
  }
  return writes;
}

class MailPage : public testing::Test {
 protected:
  MemoryStore memory;
  SettingsStore settings{memory};
};

TEST_F(MailPage, ApplyWritesExactlyItsFiveValuesInOrder) {
  settings.WriteTextValue("Other Mail Sound Name", "C:\\x.wav");
  memory.log.clear();
  FakeControls c;
  c.checks[IDC_MAIL_ICON] = false;
  c.texts[IDC_MAIL_CYCLE] = "7";
  c.checks[IDC_MAIL_SOUND] = true;
  c.checks[IDC_OTHER_SOUND] = true;
  c.selections[IDC_MAIL_SOUND_LIST] = 1;
  StoreBoundControls(settings, PageKind::kMailAlerts, c);
  EXPECT_EQ(Writes(memory), (std::vector<std::string>{"Mail Alert Icon", "Mail Icon Cycle",
                                                      "Mail Alert Sound", "Other Mail Sound",
                                                      "Mail Sound Index"}));
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailAlertIcon), 0) << "the default 1 is overwritten";
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailIconCycle), 7);
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailAlertSound), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kOtherMailSound), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailSoundIndex), 1);
}

TEST_F(MailPage, TheIntervalIsStoredAsTypedAndNoNumberIsZero) {
  const struct {
    const char* typed;
    int32_t stored;
  } rows[] = {
      {"5", 5},        {"2", 2},       {"60", 60},   {"0", 0},   {"1", 1},
      {"99", 99},      {" 12 ", 12},   {"", 0},      {"abc", 0}, {"12x", 0},
      {"-3", 0},       {"+4", 0},      {"1 2", 0},   {"0007", 7},
      {"4294967295", -1}, {"4294967296", 0}, {"99999999999", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(ParseMailCycle(r.typed), r.stored) << '"' << r.typed << '"';
  EXPECT_EQ(ParseMailCycle(nullptr), 0);
}

TEST_F(MailPage, LoadingProposesTheWindowsDingOnceAndOnlyWhenItFits) {
  const std::string longFolder = "C:\\" + std::string(82, 'w');  // 85 + 15 = 100: one too many
  const struct {
    const char* what;
    const char* stored;  // nullptr: never chosen
    const char* windows;
    const char* shown;
    bool written;
  } rows[] = {
      {"first time", nullptr, "C:\\WINDOWS", "C:\\WINDOWS\\Media\\ding.wav", true},
      {"chosen before", "D:\\chime.wav", "C:\\WINDOWS", "D:\\chime.wav", false},
      {"no Windows folder", nullptr, nullptr, "", false},
      {"folder too long", nullptr, longFolder.c_str(), "", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    MemoryStore fresh;
    SettingsStore s{fresh};
    if (r.stored != nullptr) s.WriteTextValue("Other Mail Sound Name", r.stored);
    fresh.log.clear();
    char shown[kTextValueSize];
    LoadMailSoundPath(s, r.windows, shown);
    EXPECT_STREQ(shown, r.shown);
    EXPECT_EQ(!Writes(fresh).empty(), r.written);
    char again[kTextValueSize];
    s.ReadTextValue("Other Mail Sound Name", again);
    EXPECT_STREQ(again, r.stored != nullptr ? r.stored : (r.written ? r.shown : ""));
  }
}

TEST_F(MailPage, APickedPathThatATextValueWouldCutIsRefused) {
  EXPECT_TRUE(MailSoundPathFits("C:\\WINDOWS\\Media\\chord.wav"));
  EXPECT_TRUE(MailSoundPathFits(std::string(99, 'a').c_str()));
  EXPECT_FALSE(MailSoundPathFits(std::string(100, 'a').c_str()));
  EXPECT_FALSE(MailSoundPathFits(""));
  EXPECT_FALSE(MailSoundPathFits(nullptr));
}

TEST(VersionLine, JoinsNameAndVersionWithPeriodsForCommasAndNoSpaces) {
  const struct {
    const char* name;
    const char* version;
    size_t capacity;
    const char* line;
  } rows[] = {
      {"Vexlo! Newsrail", "2, 0, 1, 0", 64, "Vexlo! Newsrail Build 2.0.1.0"},
      {"Newsrail", "2,  0 ,1", 64, "Newsrail Build 2.0 .1"},
      {"Newsrail", "3,1,4,15", 64, "Newsrail Build 3.1.4.15"},
      {"Newsrail", "", 64, "Newsrail Build "},
      {"", "1, 0", 64, " Build 1.0"},
      {"Vexlo! Newsrail", "2, 0, 1, 0", 10, "Vexlo! Ne"},
      {"Newsrail", "2, 0, 1, 0", 20, "Newsrail Build 2.0."},
      {"Newsrail", "2", 1, ""},
  };
  for (const auto& r : rows) {
    char out[64];
    std::memset(out, 'X', sizeof out);
    FormatVersionLine(r.name, " Build ", r.version, out, r.capacity);
    EXPECT_STREQ(out, r.line) << r.capacity;
  }
  char out[8] = "keep";
  FormatVersionLine(nullptr, nullptr, nullptr, out, sizeof out);
  EXPECT_STREQ(out, "");
}

}  // namespace
