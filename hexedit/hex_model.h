// The state of one hex viewer/editor window and every operation on it,
// without any drawing: the window shows Page() and the label texts, and
// forwards buttons, keys (on release), clicks and box edits to the
// operations here. Nothing in this class does file I/O; the window reads
// and writes files and hands bytes in and out.
//
// Positions are 1-based byte positions as the window's state counts them
// (position p is Data()[p - 1]); 0 means "none". Offsets shown to the user
// (row labels, go-to) are 0-based. The page always satisfies
//   PageStart() % 16 == 1, PageEnd() == min(PageStart() + 511, FileSize()),
// and in edit mode PageStart() <= EditPosition() <= PageEnd(), so the edit
// position never passes the last byte. Every operation costs at most one
// page of work except Load and the searches; nothing depends on Data()
// being anything but a span of bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hexedit {

inline constexpr int kRowBytes = 16;
inline constexpr int kPageRows = 32;
inline constexpr int kPageBytes = kRowBytes * kPageRows;

// Buttons and keys that move the page or the edit position.
enum class Nav {
    PageDown,       // cmdPgDn, PgDn
    PageUp,         // cmdPgUp, PgUp
    LineDown,       // cmdDn, Down
    LineUp,         // cmdUp, Up
    FirstPage,      // cmdFirst, Home
    LastPage,       // cmdLast, End
    Left,           // cmdLeft, Left (edit mode only)
    Right,          // cmdRight, Right (edit mode only)
    PageFirstByte,  // Shift+PgUp (edit mode only)
    PageLastByte,   // Shift+PgDn (edit mode only)
};

// OptSearch: index 0 "Hex", index 1 "Chr".
enum class SearchMode { Hex = 0, Chr = 1 };

// The outcome of a search or go-to. Message() is the text of the plain
// message box to show (OK only), empty for Done and Ignored.
struct CommandResult {
    enum class Status {
        Done,            // the page shows the hit or the position
        Ignored,         // nothing loaded: nothing happened
        NoSearchText,    // kNoSearchText
        BadHexValue,     // kBadHexValue
        SearchedToEnd,   // SearchedToEndText(search text); lastFound is now 0
        NoGoToPosition,  // kNoGoToPosition
        GoToTooLarge,    // kGoToTooLarge; give the focus back to txbGoTo
    };
    Status status = Status::Ignored;
    std::string message;

    bool ok() const { return status == Status::Done; }
};

// One byte cell of the page, the same in the hex and the character grid.
struct PageCell {
    std::uint8_t value = 0;
    bool highlighted = false;  // the byte clicked (view mode) or jumped to
    bool hit = false;          // part of the marked search hit
    bool editing = false;      // under the edit box (edit mode)
};

// What one page shows: cell k (0 <= k < count) is the byte at position
// start + k, drawn in row k / 16 and column k % 16 of both grids; a value
// below 32 is drawn as a rectangle in the character grid (DrawnAsRectangle).
struct PageView {
    std::int64_t start = 1;
    int count = 0;  // 0..512; 0 for an empty file or nothing loaded
    std::array<PageCell, kPageBytes> cells{};

    int rows() const { return (count + kRowBytes - 1) / kRowBytes; }
    // The label of a row (0 <= row < rows()): its first byte's 0-based offset.
    std::string rowLabel(int row) const;
};

inline bool DrawnAsRectangle(std::uint8_t value) { return value < 32; }

// Which controls are enabled, from the state alone.
struct EnabledActions {
    bool save = false;             // cmdSave
    bool printPage = false;        // cmdPrintPage
    bool search = false;           // cmdSearchOrFindNext
    bool searchFromStart = false;  // cmdSearchFromStart
    bool toggleEdit = false;       // imgEdit (refused on an empty file)
    bool leftRight = false;        // cmdLeft, cmdRight
};

class HexModel {
public:
    // --- Loading and saving -------------------------------------------------
    // Takes the bytes (moved in: no copy) and the name for lblFileSpec; then
    // page 1, view mode, overwrite on, not modified, no highlight, no hit,
    // lastFound 0. The search settings are kept. Asking "Byte(s) changed;
    // save to file" before a load is the window's part: call CommitEdit()
    // first, then ask when Modified().
    void Load(std::vector<std::uint8_t> bytes, std::string fileSpec);
    bool Loaded() const { return loaded_; }
    const std::string& FileSpec() const { return fileSpec_; }
    std::int64_t FileSize() const { return static_cast<std::int64_t>(data_.size()); }
    std::span<const std::uint8_t> Data() const { return data_; }
    std::uint8_t ByteAt(std::int64_t position) const { return data_[static_cast<std::size_t>(position - 1)]; }
    bool Modified() const { return modified_; }
    // The bytes to save: commits the pending edit first. Call MarkSaved once
    // they are written (Save to file: with the chosen name; write-back: with
    // an empty name, which keeps the current one). A cancelled save calls
    // nothing and the modified flag stays.
    std::span<const std::uint8_t> BytesToSave();
    void MarkSaved(std::string newFileSpec);
    // lblFileSize: "N bytes"; empty while nothing is loaded.
    std::string FileSizeLabel() const;

    // --- Page -----------------------------------------------------------------
    std::int64_t PageStart() const { return pageStart_; }
    std::int64_t PageEnd() const { return PageEndFor(pageStart_); }
    PageView Page() const;
    EnabledActions Actions() const;

    // --- Modes ----------------------------------------------------------------
    bool EditMode() const { return editMode_; }
    // Enters edit mode with the edit box on the page's first byte; refused
    // (false) while nothing is loaded or the data is empty.
    bool EnterEditMode();
    // Commits the edit box and hides it.
    void LeaveEditMode();
    // imgEdit; false when nothing changed.
    bool ToggleEditMode();
    bool Overwrite() const { return overwrite_; }
    void SetOverwrite(bool on) { overwrite_ = on; }

    // --- The edit box (txbEdit) -------------------------------------------------
    // The byte under the box (0 in view mode), the box's text (up to two
    // upper-case hex digits) and its caret (0..text length).
    std::int64_t EditPosition() const { return editMode_ ? editPosition_ : 0; }
    const std::string& EditText() const { return editText_; }
    int EditCaret() const { return editCaret_; }
    void SetEditCaret(int caret);
    // A key typed into the box, through FilterHexKey. A digit with overwrite
    // on replaces the character at the caret (the second one when the caret
    // is behind it) or is appended to a shorter text; with overwrite off it is
    // inserted at the caret while the box holds fewer than two digits.
    // Backspace deletes the character before the caret. False when the key
    // was dropped or changed nothing. The byte itself is not touched.
    bool TypeEditKey(int key);
    // Replaces the box's text (a paste): keeps its hex digits, upper-cased,
    // at most two; caret at the end.
    void SetEditText(std::string_view text);
    // Writes the box's value into its byte if it differs (modified then set);
    // an empty box writes nothing. Every operation that moves the edit
    // position calls this first; call it before the window closes, too.
    // True when the byte changed.
    bool CommitEdit();

    // --- Navigation and clicks ----------------------------------------------
    // One button or key of the navigation table in the current mode. In edit
    // mode the pending edit is committed before the edit position moves (and
    // only then). False when nothing moved (nothing to redraw).
    //   PageDown/PageUp: 512 bytes on/back (back to position 1 at most); the
    //     edit box keeps its cell, clamped to the last byte.
    //   LineDown/LineUp: view mode scrolls 16 bytes; edit mode moves the edit
    //     position a row if that byte exists, scrolling from the page's
    //     last/first row.
    //   FirstPage: page 1 (edit position 1). LastPage: the 512-byte page
    //     holding the last byte, nothing when that page is shown already.
    //   Left/Right: one byte, scrolling a line at the page's ends.
    //   PageFirstByte/PageLastByte: the edit position to PageStart/PageEnd.
    bool Navigate(Nav nav);
    // A click on the cell at page offset 0..511 of either grid: in view mode
    // highlights that byte (lblAscii, lblBinary); in edit mode moves the edit
    // box to it. False for a cell beyond the last byte.
    bool ClickCell(int pageOffset);
    // The highlighted byte, 0 for none.
    std::int64_t Highlighted() const { return highlighted_; }
    // lblAscii / lblBinary for the highlighted byte; empty when there is none.
    std::string AsciiLabel() const;
    std::string BinaryLabel() const;

    // --- Search and go-to ---------------------------------------------------
    SearchMode GetSearchMode() const { return searchMode_; }
    // Clears the marked hit. "Chr" sets case sensitivity; "Hex" clears it and
    // rewrites the search text as its hex digits only, upper-cased.
    void SetSearchMode(SearchMode mode);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool on) { caseSensitive_ = on; }
    // txbSearch. In Hex mode the window passes typed keys through
    // FilterHexKey; Chr text is taken byte by byte in the single-byte code
    // page (Latin-1).
    const std::string& SearchText() const { return searchText_; }
    void SetSearchText(std::string text) { searchText_ = std::move(text); }
    // cmdSearchOrFindNext: searches from the byte after LastFound(). A hit
    // shows the page holding its first byte, marks it (and in edit mode puts
    // the edit box on its first byte); no hit sets LastFound() to 0, so the
    // next search starts again at the beginning. A hit never runs past the
    // last byte.
    CommandResult SearchOrFindNext();
    // cmdSearchFromStart: clears LastFound() and the marked hit, then searches.
    CommandResult SearchFromStart();
    std::int64_t LastFound() const { return lastFound_; }
    // The marked hit: its first position (0 for none) and its length.
    std::int64_t HitStart() const { return hitStart_; }
    std::int64_t HitLength() const { return hitLength_; }
    // cmdGoTo with the text of txbGoTo: a 0-based decimal offset read as a
    // 64-bit number (digits beyond that range count as too large). Refused
    // when empty or >= FileSize(); otherwise commits the pending edit (also
    // when the offset is the edit position itself), shows the page holding the byte
    // and highlights it (view mode) or puts the edit box on it (edit mode).
    CommandResult GoTo(std::string_view text);

private:
    std::int64_t PageEndFor(std::int64_t start) const;
    std::int64_t LastPageStart() const;
    // Moves page and edit position (committing first when the edit position
    // changes); false when both stay.
    bool MoveTo(std::int64_t pageStart, std::int64_t editPosition);
    void LoadEditBox();
    CommandResult Search();

    std::vector<std::uint8_t> data_;
    std::string fileSpec_;
    bool loaded_ = false;
    bool modified_ = false;
    std::int64_t pageStart_ = 1;
    bool editMode_ = false;
    bool overwrite_ = true;
    std::int64_t editPosition_ = 0;
    std::string editText_;
    int editCaret_ = 0;
    std::int64_t highlighted_ = 0;
    SearchMode searchMode_ = SearchMode::Hex;
    bool caseSensitive_ = false;
    std::string searchText_;
    std::int64_t lastFound_ = 0;
    std::int64_t hitStart_ = 0;
    std::int64_t hitLength_ = 0;
};

}  // namespace hexedit
