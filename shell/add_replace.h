// The decisions behind the add and replace dialogs: what each dialog offers
// for an archive and an item, which controls a choice enables, how the typed
// numbers are read, and which one ItemOperation call OK makes. The windows
// only draw these and forward the call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/item_table.h"

namespace shell {

enum class AddReplaceMode : int { Add = 0, Replace = 1 };

// What the new or replacing item is made of.
enum class ItemSource { File, Pointer, Blank };

// The open dialog behind "...".
inline constexpr const char* kAddReplaceFileFilter = "All files (*.*)|*.*";

// The largest count the multiple-items dialog accepts: each item inserted
// moves the whole table once, so a slip of the keyboard must not freeze the
// window for minutes.
constexpr std::int32_t kMaxMultipleItems = 9999;

// An inclusive range of an up-down control and the value it starts at.
struct NumberRange {
    std::int32_t Low = 0;
    std::int32_t High = 0;
    std::int32_t Value = 0;
};

// frmAddReplace as it opens.
struct AddReplaceSetup {
    std::string Caption;
    std::string Message;
    // Voice archives, and hidden items being replaced, are only stored: the
    // compression frame is hidden and Store is selected.
    bool StoreOnly = false;
    // An archive without items has nothing to point to.
    bool PointerAvailable = true;
    NumberRange ToItem;  // the pointer target
};

// item: the insert position (add) or the item to replace; it need not be
// valid (the operation reports a bad one when OK is pressed).
AddReplaceSetup SetUpAddReplace(const archive::ItemTable& table, AddReplaceMode mode, std::int32_t item);

// frmAddMultipleItems as it opens. With no items the pointer choice is
// unavailable and the blank choice starts selected.
struct AddMultipleSetup {
    std::string Caption;
    std::string Message;
    bool PointerAvailable = true;
    NumberRange ToItem;
    NumberRange Count;
};

AddMultipleSetup SetUpAddMultiple(const archive::ItemTable& table, std::int32_t item);

// Which controls the selected choice enables.
struct ChoiceControls {
    bool File = false;         // the file label and "..."
    bool Compression = false;  // the compression frame and its options
    bool ToItem = false;       // "To item:", its box and up-down
};

ChoiceControls ControlsFor(ItemSource source);

// The typed text of a number box as a number within [low, high]; nullopt for
// anything else (empty, not a whole decimal number, out of range).
std::optional<std::int32_t> ReadEnteredNumber(std::string_view text, std::int32_t low, std::int32_t high);

// One ItemOperation call (arguments as ItemOperation takes them).
struct ItemCall {
    std::int32_t Item = 0;
    std::uint8_t Code = 0;
    std::int32_t Number = 0;
    std::string File;
    std::int32_t Count = 0;

    bool operator==(const ItemCall&) const = default;
};

// What OK leads to: a problem to show (critical icon, the dialog's caption)
// with the dialog kept open and nothing changed; or a call to run, after
// which the dialog closes; or neither: the dialog closes with no change.
struct OkOutcome {
    std::string Problem;
    std::optional<ItemCall> Call;
};

// What the user entered in frmAddReplace.
struct AddReplaceInput {
    AddReplaceMode Mode = AddReplaceMode::Add;
    std::int32_t Item = 0;
    ItemSource Source = ItemSource::File;
    std::string File;            // the chosen path, empty when none
    std::int16_t Type = 1;       // the selected compression type
    std::string ToItemText;      // the text of the target's number box
};

// A file of 0 bytes stands for a blank item; replacing a blank item with a
// blank item does nothing. A pointer replaced with a file is made a normal
// item by the replace operation itself, so one recorded call does it all.
OkOutcome DecideAddReplace(const archive::ItemTable& table, const AddReplaceSetup& setup,
                           const AddReplaceInput& input);

// What the user entered in frmAddMultipleItems (Source is Pointer or Blank).
struct AddMultipleInput {
    std::int32_t Item = 0;
    ItemSource Source = ItemSource::Pointer;
    std::string ToItemText;
    std::string CountText;
};

OkOutcome DecideAddMultiple(const AddMultipleSetup& setup, const AddMultipleInput& input);

}  // namespace shell
