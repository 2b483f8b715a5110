// The settings store over the real registry, in a sandbox key removed afterwards: values of the
// wrong type or size read as missing, texts are cut, and a key that cannot be opened gives
// defaults and loses writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "settings/registry_store_win.h"
#include "settings/settings_store.h"

namespace {

const char kSandbox[] = "SOFTWARE\\Talmora\\TickerStoreTest";

class RegistryStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSandbox);
    ASSERT_TRUE(store.CreateKey());
  }
  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSandbox); }

  void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSandbox, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }

  RegistryStore store{kSandbox};
  SettingsStore settings{store};
};

TEST_F(RegistryStoreTest, NumbersAndTextsRoundTrip) {
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailIconCycle), 5);
  settings.WriteSetting(SettingId::kMailIconCycle, 9);
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailIconCycle), 9);
  settings.WriteNumberValue("Stories per Topic", 7);
  EXPECT_EQ(settings.ReadNumberValue("Stories Per Topic"), 7) << "names ignore case";
  settings.WriteTextValue("Airports", "JFK,SFO");
  char text[kTextValueSize];
  settings.ReadTextValue("Airports", text);
  EXPECT_STREQ(text, "JFK,SFO");
}

TEST_F(RegistryStoreTest, ATextOf120CharactersIsStoredAs99) {
  const std::string long120(120, 'q');
  settings.WriteTextValue("HTTP Proxy", long120.c_str());
  char raw[200] = "";
  DWORD size = sizeof raw;
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSandbox, 0, KEY_READ, &key);
  RegQueryValueExA(key, "HTTP Proxy", nullptr, nullptr, reinterpret_cast<BYTE*>(raw), &size);
  RegCloseKey(key);
  EXPECT_EQ(std::string(raw), std::string(99, 'q'));
  char text[kTextValueSize];
  settings.ReadTextValue("HTTP Proxy", text);
  EXPECT_EQ(std::string(text), std::string(99, 'q'));
}

TEST_F(RegistryStoreTest, ValuesOfTheWrongTypeOrSizeReadAsMissing) {
  PutRaw("Mail Icon Cycle", REG_SZ, "12", 3);
  const BYTE binary[4] = {1, 0, 0, 0};
  PutRaw("Auto Update", REG_BINARY, binary, 4);
  const BYTE shortNumber[2] = {7, 0};
  PutRaw("Ticker Speed", REG_DWORD, shortNumber, 2);
  const DWORD number = 42;
  PutRaw("Airports", REG_DWORD, &number, 4);
  PutRaw("HTTP Proxy", REG_MULTI_SZ, "a\0b\0", 5);
  const std::string tooLong(150, 'x');
  PutRaw("Proxy Port", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
  PutRaw("Stock Symbols", REG_SZ, std::string(300, 'S').c_str(), 301);

  EXPECT_EQ(settings.ReadSetting(SettingId::kMailIconCycle), 5);
  EXPECT_EQ(settings.ReadSetting(SettingId::kAutoUpdate), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 0);
  char text[kTextValueSize];
  for (const char* name : {"Airports", "HTTP Proxy", "Proxy Port"}) {
    std::memset(text, '#', sizeof text);
    settings.ReadTextValue(name, text);
    EXPECT_STREQ(text, "") << name;
  }
  char symbols[kSymbolListSize];
  settings.LoadStockSymbols(symbols);
  EXPECT_STREQ(symbols, kDefaultStockSymbols);
}

TEST_F(RegistryStoreTest, ATextStoredWithoutItsTerminatorReadsWhole) {
  PutRaw("Proxy Port", REG_SZ, "8080", 4);  // no NUL stored
  char text[kTextValueSize];
  std::memset(text, '#', sizeof text);
  settings.ReadTextValue("Proxy Port", text);
  EXPECT_STREQ(text, "8080");
  PutRaw("Airports", REG_SZ, std::string(99, 'A').c_str(), 99);  // exactly full, no NUL
  settings.ReadTextValue("Airports", text);
  EXPECT_EQ(std::string(text), std::string(99, 'A'));
}

// One thread holds the key: its reads and writes go through the one handle and stay live, a nested
// hold is refused, and another thread meanwhile works through handles of its own.
TEST_F(RegistryStoreTest, AHeldKeyServesItsThreadAndLeavesOthersTheirOwn) {
  ASSERT_TRUE(store.Hold());
  EXPECT_FALSE(store.Hold()) << "a nested hold would release the key early";
  for (DWORD speed : {3u, 8u}) {
    PutRaw("Ticker Speed", REG_DWORD, &speed, sizeof speed);
    EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), static_cast<int32_t>(speed));
  }
  settings.WriteTextValue("Airports", "ORD");
  bool otherHeld = true;
  char seen[kTextValueSize] = "";
  std::thread other([&] {
    otherHeld = store.Hold();
    settings.ReadTextValue("Airports", seen);
    settings.WriteNumberValue("Stories per Topic", 4);
  });
  other.join();
  EXPECT_FALSE(otherHeld);
  EXPECT_STREQ(seen, "ORD");
  EXPECT_EQ(settings.ReadNumberValue("Stories per Topic"), 4);
  store.Release();
  std::thread after([&] {
    otherHeld = store.Hold();
    if (otherHeld) store.Release();
  });
  after.join();
  EXPECT_TRUE(otherHeld) << "the key is free again once released";
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 8) << "reads open a handle again";
}

TEST(RegistryStoreMissing, AKeyThatCannotBeOpenedGivesDefaultsAndLosesWrites) {
  RegistryStore store("SOFTWARE\\Talmora\\NeverCreated\\Ticker");
  SettingsStore settings(store);
  settings.WriteSetting(SettingId::kTickerSpeed, 6);
  settings.WriteTextValue("Airports", "LHR");
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 0);
  EXPECT_EQ(settings.ReadSetting(SettingId::kFitToCaption), 1);
  char text[kTextValueSize] = "junk";
  settings.ReadTextValue("Airports", text);
  EXPECT_STREQ(text, "");
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talmora\\NeverCreated", 0, KEY_READ, &key),
            ERROR_SUCCESS);
}

}  // namespace
