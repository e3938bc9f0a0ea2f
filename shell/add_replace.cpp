#include "shell/add_replace.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "archive/dispatcher.h"

namespace shell {

namespace {

NumberRange ItemRange(const archive::ItemTable& table, std::int32_t item) {
    NumberRange range;
    range.High = std::max<std::int32_t>(table.ItemCount - 1, 0);
    range.Value = std::clamp(item, range.Low, range.High);
    return range;
}

bool IsValidItem(const archive::ItemTable& table, std::int32_t item) { return item >= 0 && item < table.ItemCount; }

// An existing regular file of 0 bytes. A missing file is not empty: the
// operation reports it as not found.
bool IsEmptyFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file(path);
    return std::filesystem::is_regular_file(file, error) && std::filesystem::file_size(file, error) == 0 && !error;
}

std::string BadNumberMessage(const char* what, const NumberRange& range) {
    return std::string(what) + "\r\n\r\nPlease enter a number from " + std::to_string(range.Low) + " to " +
           std::to_string(range.High) + ", and then try again.";
}

OkOutcome Run(std::int32_t item, std::uint8_t code, std::int32_t number, std::string file = {},
              std::int32_t count = 0) {
    return OkOutcome{{}, ItemCall{item, code, number, std::move(file), count}};
}

OkOutcome Problem(std::string text) { return OkOutcome{std::move(text), std::nullopt}; }

constexpr const char* kBadTarget = "Invalid pointing-to .HQR item number";
constexpr const char* kBadCount = "Invalid number of items";

}  // namespace

AddReplaceSetup SetUpAddReplace(const archive::ItemTable& table, AddReplaceMode mode, std::int32_t item) {
    AddReplaceSetup setup;
    if (mode == AddReplaceMode::Add) {
        setup.Caption = "Add item";
        setup.Message = "Please select the type of item, that you would like to add.";
    } else {
        setup.Caption = "Replace item";
        setup.Message =
            "Please select the type of item, that you would like to replace the currently selected item with.";
    }
    setup.StoreOnly = table.IsVoiceArchive ||
                      (mode == AddReplaceMode::Replace && IsValidItem(table, item) && table[item].IsHidden);
    setup.PointerAvailable = table.ItemCount > 0;
    setup.ToItem = ItemRange(table, item);
    return setup;
}

AddMultipleSetup SetUpAddMultiple(const archive::ItemTable& table, std::int32_t item) {
    AddMultipleSetup setup;
    setup.Caption = "Add multiple items";
    setup.Message = "Please select the type of items, that you would like to add.";
    setup.PointerAvailable = table.ItemCount > 0;
    setup.ToItem = ItemRange(table, item);
    setup.Count = NumberRange{1, kMaxMultipleItems, 1};
    return setup;
}

ChoiceControls ControlsFor(ItemSource source) {
    switch (source) {
    case ItemSource::File: return {true, true, false};
    case ItemSource::Pointer: return {false, false, true};
    case ItemSource::Blank: break;
    }
    return {};
}

std::optional<std::int32_t> ReadEnteredNumber(std::string_view text, std::int32_t low, std::int32_t high) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
    return value;
}

OkOutcome DecideAddReplace(const archive::ItemTable& table, const AddReplaceSetup& setup,
                           const AddReplaceInput& input) {
    const bool add = input.Mode == AddReplaceMode::Add;
    ItemSource source = input.Source;
    if (source == ItemSource::File) {
        if (input.File.empty())
            return Problem(std::string("No file has been specified.\r\n\r\n") +
                           (add ? "Please specifiy the file you want to add, and then try again."
                                : "Please specifiy the file you want to replace the current item with, and then try "
                                  "again."));
        if (IsEmptyFile(input.File)) {
            source = ItemSource::Blank;
        } else {
            const std::int16_t type = setup.StoreOnly ? std::int16_t{0} : input.Type;
            return Run(input.Item, add ? archive::kOpAddItem : archive::kOpReplaceItem, type, input.File);
        }
    }
    if (source == ItemSource::Pointer) {
        const std::optional<std::int32_t> target =
            ReadEnteredNumber(input.ToItemText, setup.ToItem.Low, setup.ToItem.High);
        if (!setup.PointerAvailable || !target) return Problem(BadNumberMessage(kBadTarget, setup.ToItem));
        return Run(input.Item, add ? archive::kOpAddPointer : archive::kOpItemToFromPointer, *target);
    }
    if (add) return Run(input.Item, archive::kOpInsertBlank, 0);
    // A blank item stays as it is: the operation would toggle it back.
    if (IsValidItem(table, input.Item) && table[input.Item].IsBlank) return {};
    return Run(input.Item, archive::kOpChangeItemType, 0);
}

OkOutcome DecideAddMultiple(const AddMultipleSetup& setup, const AddMultipleInput& input) {
    const std::optional<std::int32_t> count = ReadEnteredNumber(input.CountText, setup.Count.Low, setup.Count.High);
    if (!count) return Problem(BadNumberMessage(kBadCount, setup.Count));
    if (input.Source == ItemSource::Pointer) {
        const std::optional<std::int32_t> target =
            ReadEnteredNumber(input.ToItemText, setup.ToItem.Low, setup.ToItem.High);
        if (!setup.PointerAvailable || !target) return Problem(BadNumberMessage(kBadTarget, setup.ToItem));
        return Run(input.Item, archive::kOpAddMultiplePointers, *target, {}, *count);
    }
    return Run(input.Item, archive::kOpAddMultipleBlanks, *count);
}

}  // namespace shell
