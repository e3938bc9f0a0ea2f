// The options dialog as data: which option button each method setting
// selects and which value each button stores, the page rules, what "Apply"
// writes into the settings, and the viewer commands' checks. The window only
// draws these and forwards clicks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/settings.h"

namespace shell {

// The three frames of the compression page, in page order.
enum class AlgorithmFrame { CType1, CType2, Dec };
constexpr int kAlgorithmFrameCount = 3;
constexpr int kOptionsPerFrame = 4;

// The value each option button of a frame stores, buttons in page order.
// The same value names different methods in the three settings.
std::uint8_t OptionValue(AlgorithmFrame frame, int button);

// The button of `frame` whose value is `value`; -1 for a value outside 0..3,
// which selects no button.
int OptionForValue(AlgorithmFrame frame, std::uint8_t value);

// The dialog's pages, in tab order.
enum OptionsPage : int { kPageGeneral = 0, kPageCompression = 1, kPageViewers = 2 };

// The page shown now and the page shown before it (the one to return to when
// the compression page becomes unavailable).
struct OptionsPages {
    int Shown = kPageGeneral;
    int Before = kPageGeneral;
};

// The user chose `page`. The compression page is refused while the
// compression options are disabled: nothing changes. Otherwise the page left
// becomes the page shown before. Returns the page to show.
int ChangeOptionsPage(OptionsPages& pages, int page, bool compressionEnabled);

// The compression options were switched: unchecking them while the
// compression page is shown goes back to the page shown before. Returns the
// page to show.
int ApplyCompressionEnabled(OptionsPages& pages, bool compressionEnabled);

// What the General and Compression pages hold.
struct OptionsForm {
    bool ItemsIndexTarvoDeCOMP = false;
    bool GridLines = false;
    bool ColumnsReordering = false;
    bool RowsSelection = false;
    bool EnableCOptions = false;
    bool EnableDragDrop = false;
    // The selected button of each frame, -1 for none.
    std::array<int, kAlgorithmFrameCount> Selected{-1, -1, -1};
};

// The form as the dialog loads it from the settings.
OptionsForm FormFromSettings(const Settings& settings);

// "&Apply": the flags take the boxes' states; each algorithm setting takes
// its frame's selected value, or keeps its value when none is selected.
void ApplyForm(const OptionsForm& form, Settings& settings);

// The extension an answer to the "Add viewer" box adds: upper case, exactly
// three characters; nullopt for anything else (the command then ends
// without a message).
std::optional<std::string> ViewerExtensionFromAnswer(std::string_view answer);

inline constexpr const char* kAddViewerPrompt = "Enter the extension, for which you want to add a viewer:";
inline constexpr const char* kAddViewerTitle = "Add viewer";
inline constexpr const char* kAddViewerDefault = "LUN";
// The first entry lists the files with the execute bit (the request asks
// for ExecutablesFirst); a viewer may also be a script without it.
inline constexpr const char* kViewerProgramFilter = "Executable files|*|All files (*)|*";

}  // namespace shell
