// Opening links: over the browser's DDE interface first, else with the registered open command.
#include "desktop/open_url_win.h"

#include <ddeml.h>
#include <shellapi.h>

#include <cstring>

#include "desktop/link_rules.h"
#include "base/process_win.h"
#include "settings/registry_store_win.h"

namespace {

// One DDE exchange, held only for the length of one call: two calls on different threads never
// share it.
struct BrowserDde {
  DWORD instance = 0;
  HSZ netscape = nullptr;
  HSZ iexplore = nullptr;
  HSZ topic = nullptr;
  HSZ item = nullptr;
  HCONV conversation = nullptr;
};

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

void BrowserDdeClose(BrowserDde& dde) {
  if (dde.instance == 0) return;
  if (dde.netscape != nullptr) DdeFreeStringHandle(dde.instance, dde.netscape);
  if (dde.iexplore != nullptr) DdeFreeStringHandle(dde.instance, dde.iexplore);
  if (dde.topic != nullptr) DdeFreeStringHandle(dde.instance, dde.topic);
  if (dde.conversation != nullptr) DdeDisconnect(dde.conversation);
  if (dde.item != nullptr) DdeFreeStringHandle(dde.instance, dde.item);
  DdeUninitialize(dde.instance);
  dde = BrowserDde{};
}

bool BrowserDdeConnect(BrowserDde& dde, const char* topic) {
  if (DdeInitializeA(&dde.instance, IgnoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    dde.instance = 0;
    return false;
  }
  dde.netscape = DdeCreateStringHandleA(dde.instance, "NETSCAPE", CP_WINANSI);
  dde.iexplore = DdeCreateStringHandleA(dde.instance, "Iexplore", CP_WINANSI);
  dde.topic = DdeCreateStringHandleA(dde.instance, topic, CP_WINANSI);
  dde.conversation = DdeConnect(dde.instance, dde.netscape, dde.topic, nullptr);
  if (dde.conversation == nullptr) {
    dde.conversation = DdeConnect(dde.instance, dde.iexplore, dde.topic, nullptr);
  }
  if (dde.conversation == nullptr) {
    BrowserDdeClose(dde);
    return false;
  }
  return true;
}

bool BrowserDdeRequest(BrowserDde& dde, const char* item) {
  if (dde.item != nullptr) DdeFreeStringHandle(dde.instance, dde.item);
  dde.item = DdeCreateStringHandleA(dde.instance, item, CP_WINANSI);
  HDDEDATA data = DdeClientTransaction(nullptr, 0, dde.conversation, dde.item, CF_TEXT,
                                       XTYP_REQUEST, 10000, nullptr);
  if (data == nullptr) return false;
  DdeFreeDataHandle(data);
  return true;
}

// Steps 2 and 3 of opening: DDE when a browser answers, else the command line, else the shell. A
// URL that is not a web page's (links come from the network) opens nothing at all, not even the
// browser. When nothing opens the page, the strip says so.
void OpenWith(BrowserLinks& links, const char* command, const char* url) {
  char item[kLaunchLineSize];
  char line[kLaunchLineSize];
  if (!BuildOpenUrlItem(url, item, sizeof item) ||
      !BuildLaunchLine(command, url, line, sizeof line)) {
    return;
  }
  BrowserDde dde;
  if (BrowserDdeConnect(dde, "WWW_OpenURL")) {
    BrowserDdeRequest(dde, item);
    BrowserDdeClose(dde);
    if (BrowserDdeConnect(dde, "WWW_Activate")) {
      BrowserDdeRequest(dde, "\"0xFFFFFFFF\",\"0\"");
      BrowserDdeClose(dde);
    }
    return;
  }
  // A bare URL is no command line: without a registered command the shell finds the handler
  // of the URL's protocol itself. The item's URL is the encoded one, between its quotes.
  if (command[0] != '\0' && WinExec(line, SW_SHOWNORMAL) > 31) return;
  char encoded[kLaunchLineSize];
  if (EncodeBrowserUrl(url, encoded, sizeof encoded) &&
      reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", encoded, nullptr, nullptr,
                                              SW_SHOWNORMAL)) > 32) {
    return;
  }
  links.notOpened = 1;
}

bool ReadDefaultValue(HKEY parent, const char* subKey, char* buffer, DWORD capacity) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = capacity - 1;
  DWORD type = 0;
  const bool ok = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                   &size) == ERROR_SUCCESS &&
                  (type == REG_SZ || type == REG_EXPAND_SZ);
  RegCloseKey(key);
  if (ok) buffer[size < capacity ? size : capacity - 1] = '\0';
  return ok;
}

}  // namespace

void GetBrowserCommand(char* command) {
  HKEY software = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software) != ERROR_SUCCESS &&
      RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &software) != ERROR_SUCCESS) {
    return;
  }
  HKEY classes = nullptr;
  if (RegOpenKeyExA(software, "Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) {
    RegCloseKey(software);
    return;
  }
  char documentClass[261] = "";
  char path[300] = "";
  if (ReadDefaultValue(classes, ".htm", documentClass, sizeof documentClass)) {
    std::strcpy(path, documentClass);
    std::strcat(path, "\\shell\\open\\command");
  }
  char value[261];
  // Without a document class for ".htm" (Wine with its HTML engine left out has none), the
  // command of the "http" protocol: Wine registers winebrowser there, which hands the address to
  // the desktop's browser.
  if ((path[0] != '\0' && ReadDefaultValue(classes, path, value, sizeof value)) ||
      ReadDefaultValue(classes, "http\\shell\\open\\command", value, sizeof value)) {
    std::strncpy(command, value, kBrowserCommandSize - 1);
    command[kBrowserCommandSize - 1] = '\0';
    TrimBrowserCommand(command);
  }
  RegCloseKey(classes);
  RegCloseKey(software);
}

void OpenUrl(BrowserLinks& links, const char* url) {
  char command[kBrowserCommandSize] = "";
  GetBrowserCommand(command);
  OpenWith(links, command, url);
}

void OpenEndpoint(BrowserLinks& links, Endpoint endpoint, const char* path) {
  char url[1024];
  if (BuildEndpointUrl(Settings(), endpoint, path, url, sizeof url)) OpenUrl(links, url);
}
