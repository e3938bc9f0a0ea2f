// The windows the main window opens. Each is created anew for each use.
#pragma once

#include <cstdint>

namespace app {

class AppServices;

// frmAddReplace in add (mode 0) or replace (mode 1) mode for `item`; modal.
void ShowAddReplace(AppServices& services, int mode, std::int32_t item);
// frmAddMultipleItems, adding before `item`; modal.
void ShowAddMultipleItems(AppServices& services, std::int32_t item);
// frmOptions; modal.
void ShowOptions(AppServices& services);
// frmCompare; modal.
void ShowCompare(AppServices& services);
// frmScript; modal.
void ShowScriptEditor(AppServices& services);

// How a hex window is opened on an item.
enum class HexOpenMode { View, ViewAsIs, Edit };
// frmVirAzodAzid2 on `item`; modeless.
void ShowHexWindow(AppServices& services, std::int32_t item, HexOpenMode mode);

}  // namespace app
