#include "hexedit/hex_model.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "hexedit/byte_search.h"
#include "hexedit/key_filters.h"
#include "hexedit/texts.h"

namespace hexedit {

namespace {

using Status = CommandResult::Status;

CommandResult Result(Status status, std::string message = {}) { return {status, std::move(message)}; }

// The page (1-based start) that holds the byte at 0-based offset.
std::int64_t PageStartOfOffset(std::int64_t offset) { return offset / kPageBytes * kPageBytes + 1; }

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string PageView::rowLabel(int row) const { return RowLabelText(start - 1 + std::int64_t{row} * kRowBytes); }

void HexModel::Load(std::vector<std::uint8_t> bytes, std::string fileSpec) {
    data_ = std::move(bytes);
    fileSpec_ = std::move(fileSpec);
    loaded_ = true;
    modified_ = false;
    pageStart_ = 1;
    editMode_ = false;
    overwrite_ = true;
    editPosition_ = 0;
    editText_.clear();
    editCaret_ = 0;
    highlighted_ = 0;
    lastFound_ = hitStart_ = hitLength_ = 0;
}

std::span<const std::uint8_t> HexModel::BytesToSave() {
    CommitEdit();
    return data_;
}

void HexModel::MarkSaved(std::string newFileSpec) {
    modified_ = false;
    if (!newFileSpec.empty()) fileSpec_ = std::move(newFileSpec);
}

std::string HexModel::FileSizeLabel() const { return loaded_ ? FileSizeText(FileSize()) : std::string(); }

std::int64_t HexModel::PageEndFor(std::int64_t start) const {
    return std::min(start + kPageBytes - 1, FileSize());
}

std::int64_t HexModel::LastPageStart() const { return FileSize() == 0 ? 1 : PageStartOfOffset(FileSize() - 1); }

PageView HexModel::Page() const {
    PageView view;
    view.start = pageStart_;
    if (!loaded_) return view;
    view.count = static_cast<int>(std::max<std::int64_t>(PageEnd() - pageStart_ + 1, 0));
    const std::int64_t hitEnd = hitStart_ + hitLength_;
    for (int k = 0; k < view.count; ++k) {
        const std::int64_t position = pageStart_ + k;
        PageCell& cell = view.cells[static_cast<std::size_t>(k)];
        cell.value = ByteAt(position);
        cell.highlighted = position == highlighted_;
        cell.hit = hitStart_ != 0 && position >= hitStart_ && position < hitEnd;
        cell.editing = editMode_ && position == editPosition_;
    }
    return view;
}

EnabledActions HexModel::Actions() const {
    EnabledActions a;
    a.save = a.printPage = a.search = a.searchFromStart = loaded_;
    a.toggleEdit = loaded_ && FileSize() > 0;
    a.leftRight = editMode_;
    return a;
}

bool HexModel::EnterEditMode() {
    if (editMode_) return false;
    if (!loaded_ || FileSize() == 0) return false;
    editMode_ = true;
    // The edit box marks the byte now; a click's highlight would be a second mark.
    highlighted_ = 0;
    editPosition_ = pageStart_;
    LoadEditBox();
    return true;
}

void HexModel::LeaveEditMode() {
    if (!editMode_) return;
    CommitEdit();
    editMode_ = false;
    editPosition_ = 0;
    editText_.clear();
    editCaret_ = 0;
}

bool HexModel::ToggleEditMode() {
    if (editMode_) {
        LeaveEditMode();
        return true;
    }
    return EnterEditMode();
}

void HexModel::LoadEditBox() {
    editText_ = HexByteText(ByteAt(editPosition_));
    editCaret_ = 0;
}

void HexModel::SetEditCaret(int caret) { editCaret_ = std::clamp(caret, 0, static_cast<int>(editText_.size())); }

bool HexModel::TypeEditKey(int key) {
    if (!editMode_) return false;
    key = FilterHexKey(key);
    if (key == 0) return false;
    const auto at = static_cast<std::size_t>(editCaret_);
    if (key == kBackspaceKey) {
        if (at == 0) return false;
        editText_.erase(at - 1, 1);
        --editCaret_;
        return true;
    }
    const char digit = static_cast<char>(key);
    if (overwrite_) {
        if (at < editText_.size()) {
            editText_[at] = digit;
        } else if (editText_.size() == 2) {
            editText_[1] = digit;  // a caret behind the second digit selects it
        } else {
            editText_.push_back(digit);
        }
        editCaret_ = std::min(editCaret_ + 1, 2);
        return true;
    }
    if (editText_.size() >= 2) return false;
    editText_.insert(at, 1, digit);
    ++editCaret_;
    return true;
}

void HexModel::SetEditText(std::string_view text) {
    if (!editMode_) return;
    editText_.clear();
    for (char c : text) {
        const int key = FilterHexKey(static_cast<unsigned char>(c));
        if (key != 0 && key != kBackspaceKey && editText_.size() < 2) editText_.push_back(static_cast<char>(key));
    }
    editCaret_ = static_cast<int>(editText_.size());
}

bool HexModel::CommitEdit() {
    if (!editMode_ || editText_.empty()) return false;
    // The box holds one or two hex digits, so the value is at most 255.
    const auto value = static_cast<std::uint8_t>(std::stoi(editText_, nullptr, 16));
    std::uint8_t& byte = data_[static_cast<std::size_t>(editPosition_ - 1)];
    if (value == byte) return false;
    byte = value;
    modified_ = true;
    return true;
}

bool HexModel::MoveTo(std::int64_t pageStart, std::int64_t editPosition) {
    if (!editMode_) editPosition = editPosition_;
    if (pageStart == pageStart_ && editPosition == editPosition_) return false;
    if (editMode_ && editPosition != editPosition_) CommitEdit();
    pageStart_ = pageStart;
    if (editMode_ && editPosition != editPosition_) {
        editPosition_ = editPosition;
        LoadEditBox();
    }
    return true;
}

bool HexModel::Navigate(Nav nav) {
    if (!loaded_) return false;
    const std::int64_t size = FileSize();
    const std::int64_t start = pageStart_;
    const std::int64_t edit = editPosition_;
    // Keeps the edit box on the same cell of the new page, clamped to the last byte.
    const auto sameCell = [&](std::int64_t newStart) { return std::min(newStart + (edit - start), size); };
    switch (nav) {
    case Nav::PageDown:
        if (size <= kPageBytes || PageEnd() == size || start + kPageBytes > size) return false;
        return MoveTo(start + kPageBytes, sameCell(start + kPageBytes));
    case Nav::PageUp: {
        if (start == 1) return false;
        const std::int64_t newStart = std::max<std::int64_t>(start - kPageBytes, 1);
        return MoveTo(newStart, sameCell(newStart));
    }
    case Nav::FirstPage:
        return MoveTo(1, 1);
    case Nav::LastPage:
        // The 512-byte page that holds the last byte, also from a page
        // scrolled by lines that shows the last byte already.
        return MoveTo(LastPageStart(), sameCell(LastPageStart()));
    case Nav::LineDown:
        if (!editMode_) {
            if (size <= kPageBytes || start + kRowBytes > size) return false;
            return MoveTo(start + kRowBytes, 0);
        }
        // The edit position goes one row down if that byte exists; from the
        // page's last row the page scrolls with it (the page is full then).
        if (edit + kRowBytes > size) return false;
        return MoveTo(edit + kRowBytes > PageEnd() ? start + kRowBytes : start, edit + kRowBytes);
    case Nav::LineUp:
        if (!editMode_) {
            if (size <= kPageBytes || start < 1 + kRowBytes) return false;
            return MoveTo(start - kRowBytes, 0);
        }
        if (edit - kRowBytes < 1) return false;
        return MoveTo(edit - kRowBytes < start ? start - kRowBytes : start, edit - kRowBytes);
    case Nav::Left:
        if (!editMode_ || edit == 1) return false;
        return MoveTo(edit - 1 < start ? start - kRowBytes : start, edit - 1);
    case Nav::Right:
        if (!editMode_ || edit == size) return false;
        return MoveTo(edit + 1 > PageEnd() ? start + kRowBytes : start, edit + 1);
    case Nav::PageFirstByte:
        return editMode_ && MoveTo(start, start);
    case Nav::PageLastByte:
        return editMode_ && MoveTo(start, PageEnd());
    }
    return false;
}

bool HexModel::ClickCell(int pageOffset) {
    if (!loaded_ || pageOffset < 0 || pageOffset >= kPageBytes) return false;
    const std::int64_t position = pageStart_ + pageOffset;
    if (position > PageEnd()) return false;
    if (editMode_) return MoveTo(pageStart_, position);
    highlighted_ = position;
    return true;
}

std::string HexModel::AsciiLabel() const { return highlighted_ ? AsciiText(ByteAt(highlighted_)) : std::string(); }

std::string HexModel::BinaryLabel() const { return highlighted_ ? BinaryText(ByteAt(highlighted_)) : std::string(); }

void HexModel::SetSearchMode(SearchMode mode) {
    searchMode_ = mode;
    hitStart_ = hitLength_ = 0;
    if (mode == SearchMode::Chr) {
        caseSensitive_ = true;
        return;
    }
    caseSensitive_ = false;
    std::string digits;
    for (char c : searchText_)
        if (IsHexDigit(c)) digits.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    searchText_ = std::move(digits);
}

CommandResult HexModel::SearchOrFindNext() {
    if (!loaded_) return Result(Status::Ignored);
    return Search();
}

CommandResult HexModel::SearchFromStart() {
    if (!loaded_) return Result(Status::Ignored);
    lastFound_ = hitStart_ = hitLength_ = 0;
    return Search();
}

CommandResult HexModel::Search() {
    if (searchText_.empty()) return Result(Status::NoSearchText, kNoSearchText);
    std::vector<std::uint8_t> pattern;
    if (searchMode_ == SearchMode::Hex) {
        auto parsed = ParseHexPattern(searchText_);
        if (!parsed) return Result(Status::BadHexValue, kBadHexValue);
        pattern = std::move(*parsed);
    } else {
        pattern.assign(searchText_.begin(), searchText_.end());
    }
    CommitEdit();
    // lastFound is 1-based, so as a 0-based offset it is the byte after the hit.
    const bool foldCase = searchMode_ == SearchMode::Chr && !caseSensitive_;
    const auto hit = FindBytes(data_, static_cast<std::size_t>(lastFound_), pattern, foldCase);
    if (!hit) {
        lastFound_ = 0;
        return Result(Status::SearchedToEnd, SearchedToEndText(searchText_));
    }
    const auto offset = static_cast<std::int64_t>(*hit);
    lastFound_ = hitStart_ = offset + 1;
    hitLength_ = static_cast<std::int64_t>(pattern.size());
    MoveTo(PageStartOfOffset(offset), offset + 1);
    return Result(Status::Done);
}

CommandResult HexModel::GoTo(std::string_view text) {
    if (!loaded_) return Result(Status::Ignored);
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0) return Result(Status::NoGoToPosition, kNoGoToPosition);
    std::int64_t offset = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        const int d = text[k] - '0';
        if (offset > (std::numeric_limits<std::int64_t>::max() - d) / 10)
            return Result(Status::GoToTooLarge, kGoToTooLarge);
        offset = offset * 10 + d;
    }
    if (offset >= FileSize()) return Result(Status::GoToTooLarge, kGoToTooLarge);
    // Also a jump onto the edit position itself ends the pending edit.
    CommitEdit();
    MoveTo(PageStartOfOffset(offset), offset + 1);
    if (!editMode_) highlighted_ = offset + 1;
    return Result(Status::Done);
}

}  // namespace hexedit
