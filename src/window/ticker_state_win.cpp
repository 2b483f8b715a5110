// The process's ticker record and settings store. Both live until the process is gone: a refresh
// worker may still be running while exit() runs the static destructors, so they are never
// destroyed.
#include "window/ticker_state_win.h"

#include "settings/registry_store_win.h"

TickerWindowState& Ticker() {
  static TickerWindowState* state = new TickerWindowState;
  return *state;
}

SettingsStore& Settings() {
  static RegistryStore* registry = new RegistryStore;
  static SettingsStore* store = new SettingsStore(*registry);
  return *store;
}
