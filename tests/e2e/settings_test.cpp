// The registry as Ticker.exe leaves it: the first run's values on a fresh prefix, a second start
// that keeps the user's values, and the account password's migration and prompt.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

std::set<std::string> ValueNames() {
  std::set<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talmora\\Ticker", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return names;
  }
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    names.insert(name);
  }
  RegCloseKey(key);
  return names;
}

DWORD Number(const char* name) {
  DWORD value = 0xDEADBEEF;
  ReadRegistryNumber(name, &value);
  return value;
}

std::string Text(const char* name) {
  char buffer[300];
  if (!ReadRegistryText(name, buffer, sizeof buffer)) return "<missing>";
  return buffer;
}

class Settings : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("settings");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
  }
  void TearDown() override { EndStartedPrograms(); }

  // Starts Ticker.exe (taking over from a running one) and waits for its strip.
  void StartAndWait() {
    PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
    ASSERT_EQ(WaitForTickerFrame(p), "");
    // The window exists before its creation has finished; the message loop comes after.
    ASSERT_EQ(WaitForInputIdle(p.hProcess, 20000), 0u);
  }

  std::string folder_;
};

TEST_F(Settings, AFreshInstallStoresExactlyTheFirstRunValues) {
  ASSERT_TRUE(ValueNames().empty()) << "the prefix is fresh";
  StartAndWait();

  const std::map<std::string, DWORD> firstRun = {
      {"Auto Update", 1},   {"US Headlines", 1},   {"Stock Quotes", 1},
      {"Bold Font", 1},     {"Show in Screen Saver", 1}, {"Weather", 1},
      {"Business Headlines", 1}, {"Technology Headlines", 1}, {"Temperature System", 1},
      {"News Refresh", 10}, {"Ticker Speed", 3},   {"Stories per Topic", 10}};
  for (const auto& [name, value] : firstRun) EXPECT_EQ(Number(name.c_str()), value) << name;
  EXPECT_EQ(Text("Airports"), "JFK,SFO,LAX");
  EXPECT_EQ(Number("Ticker Size"), static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN) / 3));
  EXPECT_EQ(Number("Ticker Size"), 341u) << "on the 1024-pixel test screen";

  // Besides the table: the undocked caption placement (no taskbar host under Wine) and the
  // account password in its encoded form (empty).
  std::set<std::string> expected;
  for (const auto& entry : firstRun) expected.insert(entry.first);
  expected.insert({"Airports", "Ticker Size", "Dock in Taskbar", "Fit To Caption",
                   "Always On Top", "Always On Bottom", "Vexlo! EPassword", "Vexlo! Password"});
  std::set<std::string> actual = ValueNames();
  // The refresh of the first cycle may already have stamped the strip.
  actual.erase("Last Stock Update");
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(Number("Dock in Taskbar"), 1u);
  EXPECT_EQ(Number("Always On Bottom"), 0u);
  EXPECT_EQ(Text("Vexlo! EPassword"), "");

  // The user's own choices survive the next start.
  WriteRegistryNumber("Ticker Speed", 5);
  WriteRegistryText("Airports", "BOS");
  WriteRegistryNumber("Bold Font", 0);
  StartAndWait();
  EXPECT_EQ(Number("Ticker Speed"), 5u);
  EXPECT_EQ(Text("Airports"), "BOS");
  EXPECT_EQ(Number("Bold Font"), 0u);
  EXPECT_EQ(Number("Ticker Size"), 341u);
}

TEST_F(Settings, APlainPasswordIsEncodedAndEmptied) {
  WriteRegistryText("Vexlo! User ID", "john smith");
  DeleteRegistryValue("Vexlo! EPassword");
  WriteRegistryText("Vexlo! Password", "s3cret pass");
  WriteRegistryNumber("My Vexlo!", 1);
  StartAndWait();
  EXPECT_EQ(Text("Vexlo! EPassword"), "czNjcmV0IHBhc3M=");
  EXPECT_EQ(Text("Vexlo! Password"), "");
  EXPECT_EQ(Number("My Vexlo!"), 1u) << "an account with a password keeps its mode";

  // Next start: the encoded form is used and the plain one stays empty.
  StartAndWait();
  EXPECT_EQ(Text("Vexlo! EPassword"), "czNjcmV0IHBhc3M=");
  EXPECT_EQ(Text("Vexlo! Password"), "");
}

// Answers the account password prompt that start-up shows for a user id without a password.
bool AnswerPasswordPrompt(const char* password, int button) {
  HWND dialog = nullptr;
  if (!WaitUntil(
          [&] {
            dialog = FindWindowA(nullptr, "Vexlo! Password needed:");
            return dialog != nullptr && IsWindowVisible(dialog);
          },
          20000)) {
    return false;
  }
  RECT r;
  GetWindowRect(dialog, &r);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.left, (width - (r.right - r.left)) / 2) << "centred over the desktop";
  EXPECT_EQ(r.top, (height - (r.bottom - r.top)) / 2);
  EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, 1052), GWL_STYLE) & ES_PASSWORD, 0)
      << "the password is masked";
  if (password != nullptr) SetDlgItemTextA(dialog, 1052, password);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  return true;
}

TEST_F(Settings, AUserIdWithoutAPasswordAsksForOne) {
  WriteRegistryText("Vexlo! User ID", "jane");
  DeleteRegistryValue("Vexlo! EPassword");
  DeleteRegistryValue("Vexlo! Password");
  WriteRegistryNumber("My Vexlo!", 1);
  PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
  ASSERT_TRUE(AnswerPasswordPrompt("open sesame", IDOK));
  ASSERT_TRUE(WaitUntil([&] { return Text("Vexlo! EPassword") != "<missing>"; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return FindTickerFrame() != nullptr; }, 20000));
  EXPECT_EQ(ProcessOfWindow(FindTickerFrame()), p.dwProcessId);
  EXPECT_EQ(Text("Vexlo! EPassword"), "b3BlbiBzZXNhbWU=");
  EXPECT_EQ(Number("My Vexlo!"), 1u);
}

TEST_F(Settings, CancellingThePromptLeavesNoAccountMode) {
  WriteRegistryText("Vexlo! User ID", "jane");
  DeleteRegistryValue("Vexlo! EPassword");
  DeleteRegistryValue("Vexlo! Password");
  WriteRegistryNumber("My Vexlo!", 1);
  StartProgram(folder_ + "Ticker.exe");
  ASSERT_TRUE(AnswerPasswordPrompt(nullptr, IDCANCEL));
  ASSERT_TRUE(WaitUntil([&] { return Number("My Vexlo!") == 0; }, 20000));
  ASSERT_TRUE(WaitUntil([&] { return FindTickerFrame() != nullptr; }, 20000));
  EXPECT_EQ(Text("Vexlo! EPassword"), "");
  EXPECT_EQ(Number("My Vexlo!"), 0u);
}

}  // namespace
