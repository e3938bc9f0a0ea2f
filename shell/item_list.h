// The item list of an open archive, as data: the texts, icon and check state
// of each row, the row labels, the column widths, the check marks and when the
// progress bar moves. The desktop list and `orvane-cli list` both draw from
// these functions, so the two always show the same texts.
//
// Rows are 1-based in the window (row r shows item r - 1); every function here
// takes the 0-based item number. The end record is never a row.
//
// Every function reads only the table passed in; none keeps state, so the
// list can be rebuilt whole after any change to the table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/item_table.h"

namespace shell {

// ---------------------------------------------------------------- columns

constexpr int kItemColumnCount = 9;

// Column numbers, in display order.
enum ItemColumn : int {
    kColumnIndex = 0,
    kColumnOffset = 1,
    kColumnDecompressedSize = 2,
    kColumnCompressedSize = 3,
    kColumnCompressionType = 4,
    kColumnReplaceWith = 5,
    kColumnRatio = 6,
    kColumnExtension = 7,
    kColumnDescription = 8,
};

// The header captions, in column order.
inline constexpr std::array<const char*, kItemColumnCount> kItemColumnCaptions = {
    "Index",           "Offset", "Decompressed size", "Compressed size", "Compression type",
    "Replace with",    "Ratio",  "Extension",         "Description",
};

// Each column's share of the list's width; the shares add up to 1.00.
inline constexpr std::array<double, kItemColumnCount> kItemColumnShares = {
    0.10, 0.10, 0.12, 0.10, 0.07, 0.16, 0.05, 0.05, 0.25,
};

// The text that starts the offset cell of a pointer row; the target's item
// number follows.
inline constexpr const char* kSeeItemText = "See item ";
// The offset cell of a hidden row.
inline constexpr const char* kHiddenText = "Hidden";

// -------------------------------------------------------------- one row

enum class RowKind { Blank, Pointer, Hidden, Normal };

// The kind of item `item` as the list shows it, decided in this order: blank
// (IsBlank), pointer (RefersTo differs from the item number), hidden (IsHidden,
// counted only in a voice archive: elsewhere such a record is shown as a normal
// item), otherwise normal.
//
// Precondition for every function of this section: 0 <= item < table.ItemCount
// and table.Records holds records 0..ItemCount (as every loaded or edited
// table does). The functions do not check it.
RowKind ItemRowKind(const archive::ItemTable& table, std::int32_t item);

// Icon numbers, shared by the large and the small image list.
constexpr int kIconNormal = 1;   // + compression type: 1, 2, 3
constexpr int kIconPointer = 4;  // + compression type: 4, 5, 6
constexpr int kIconHidden = 7;   // + compression type: 7, 8, 9
constexpr int kIconBlank = 10;
constexpr int kIconCount = 10;   // the images are numbered 1..10

// The row's icon number (1..10): 10 for a blank item, otherwise the kind's base
// above plus the compression type. A compression type outside 0..2 (which no
// loaded table holds) counts as 0, so the number always names an image.
int ItemRowIcon(const archive::ItemTable& table, std::int32_t item);

// The row's check box: checked exactly when the item is Marked.
bool ItemRowChecked(const archive::ItemTable& table, std::int32_t item);

// The nine cell texts of the row, in column order, with the plain row label
// (the decimal item number) in column 0. Cells the row does not fill are empty:
//   blank:   label only;
//   pointer: "See item " + RefersTo in column 1, columns 2..4 empty;
//   hidden:  "Hidden" in column 1;
//   normal:  IntToHex(Offset) in column 1;
//   hidden and normal: SizeText, StoredSizeText (type above 0 only), TypeText
//            in columns 2..4;
//   pointer, hidden and normal: SourceFile, CRatioStr(DecompressedSize,
//            CompressedSize) (type above 0 only), Extension, Description in
//            columns 5..8.
// For the label of the TarvoDeCOMP numbering use ItemRowLabels (it depends on
// the rows before) or FillItemRows.
std::array<std::string, kItemColumnCount> ItemRowTexts(const archive::ItemTable& table,
                                                       std::int32_t item);

// Everything one row shows.
struct ItemRow {
    RowKind Kind = RowKind::Normal;
    int Icon = kIconNormal;
    bool Checked = false;
    std::array<std::string, kItemColumnCount> Texts;
};

// Kind, icon, check state and texts of item `item` together; column 0 holds
// the plain label (see ItemRowTexts).
ItemRow MakeItemRow(const archive::ItemTable& table, std::int32_t item);

// ------------------------------------------------------------ whole list

// The row labels of items 0..ItemCount - 1. Without itemsIndexTarvoDeCOMP the
// label is the decimal item number. With it, normal items are numbered 0, 1,
// 2, ... without gaps and blank, pointer and hidden rows get an empty label.
std::vector<std::string> ItemRowLabels(const archive::ItemTable& table, bool itemsIndexTarvoDeCOMP);

// The progress bar is used only while listing more than this many items.
constexpr std::int32_t kProgressItemThreshold = 3072;
// Steps at which it moves: every 1024 items, every 512 in a voice archive.
constexpr std::int32_t kProgressStep = 1024;
constexpr std::int32_t kProgressStepVoice = 512;

// True when listing itemCount items uses the progress bar; its range is then
// 0 .. itemCount - 1.
bool ItemListUsesProgress(std::int32_t itemCount);

// True when the progress bar moves to `item` while listing: the bar is in use
// and item is a multiple of the step.
bool ItemListProgressAt(std::int32_t itemCount, bool isVoiceArchive, std::int32_t item);

// Called with the new position of the progress bar.
using ProgressCallback = std::function<void(std::int32_t position)>;

// All rows of the list, items 0..ItemCount - 1 in order, with the labels of
// ItemRowLabels in column 0. When `progress` is set it is called with i for
// every item i at which ItemListProgressAt holds (after that row is built),
// and once with 0 at the end, also for an empty or small table; the caller
// sets the range first when ItemListUsesProgress holds.
std::vector<ItemRow> FillItemRows(const archive::ItemTable& table, bool itemsIndexTarvoDeCOMP,
                                  const ProgressCallback& progress = {});

// --------------------------------------------------------------- widths

// The nine column widths for a list `width` units wide (the windowing layer's
// unit): width x share, rounded to the nearest integer, halves to even. A
// negative width gives zero widths.
std::array<std::int32_t, kItemColumnCount> FitItemColumns(std::int32_t width);

// ---------------------------------------------------------- check marks

// Copies the rows' check states into Marked: rowChecked[r - 1] is the state of
// row r and goes to item r - 1. Does nothing unless an archive is open and
// ItemCount >= 1; states beyond the last item are ignored.
void SyncMarks(archive::ItemTable& table, bool isArchiveOpen, const std::vector<bool>& rowChecked);

// Mark (SelectAll) or unmark (DeselectAll) items 0..rowCount - 1, the items of
// the rows the list holds; the window checks or unchecks the same rows.
// rowCount is clamped to 0..ItemCount.
void SelectAll(archive::ItemTable& table, std::int32_t rowCount);
void DeselectAll(archive::ItemTable& table, std::int32_t rowCount);

// ------------------------------------------------------------ view mode

enum class ViewMode { LargeIcons, SmallIcons, List, Details };

// The view the main window starts in.
constexpr ViewMode kInitialViewMode = ViewMode::Details;

// The View menu command for `chosen`: false (nothing to do) when it is the
// current mode already; otherwise current becomes chosen and the result is
// true (the window checks that one entry, unchecks the other three and
// switches the list).
bool SetViewMode(ViewMode& current, ViewMode chosen);

// True when rows in this view take their icon from the large image list.
inline bool UsesLargeIcons(ViewMode mode) { return mode == ViewMode::LargeIcons; }

}  // namespace shell
