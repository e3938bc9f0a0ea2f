#include "shell/item_list.h"

#include <algorithm>

#include "archive/helpers.h"

namespace shell {

namespace {

// Compression types outside 0..2 never come out of loading; still, an icon
// number outside the image list would be an out-of-range lookup in the window.
int IconType(std::int16_t type) { return type >= 0 && type <= 2 ? type : 0; }

void SetMarks(archive::ItemTable& table, std::int32_t rowCount, bool marked) {
    const std::int32_t last = std::clamp(rowCount, 0, table.ItemCount);
    for (std::int32_t i = 0; i < last; ++i) table[i].Marked = marked;
}

}  // namespace

RowKind ItemRowKind(const archive::ItemTable& table, std::int32_t item) {
    const archive::ItemRecord& record = table[item];
    if (record.IsBlank) return RowKind::Blank;
    if (record.RefersTo != item) return RowKind::Pointer;
    if (record.IsHidden && table.IsVoiceArchive) return RowKind::Hidden;
    return RowKind::Normal;
}

int ItemRowIcon(const archive::ItemTable& table, std::int32_t item) {
    const int type = IconType(table[item].CompressionType);
    switch (ItemRowKind(table, item)) {
        case RowKind::Blank: return kIconBlank;
        case RowKind::Pointer: return kIconPointer + type;
        case RowKind::Hidden: return kIconHidden + type;
        case RowKind::Normal: break;
    }
    return kIconNormal + type;
}

bool ItemRowChecked(const archive::ItemTable& table, std::int32_t item) { return table[item].Marked; }

std::array<std::string, kItemColumnCount> ItemRowTexts(const archive::ItemTable& table,
                                                       std::int32_t item) {
    std::array<std::string, kItemColumnCount> texts;
    texts[kColumnIndex] = archive::IntToStr(item);

    const archive::ItemRecord& record = table[item];
    const RowKind kind = ItemRowKind(table, item);
    if (kind == RowKind::Blank) return texts;

    const bool compressed = record.CompressionType > 0;
    if (kind == RowKind::Pointer) {
        texts[kColumnOffset] = kSeeItemText + archive::IntToStr(record.RefersTo);
    } else {
        texts[kColumnOffset] = kind == RowKind::Hidden ? kHiddenText : archive::IntToHex(record.Offset);
        texts[kColumnDecompressedSize] = record.SizeText;
        if (compressed) texts[kColumnCompressedSize] = record.StoredSizeText;
        texts[kColumnCompressionType] = record.TypeText;
    }
    texts[kColumnReplaceWith] = record.SourceFile;
    if (compressed) texts[kColumnRatio] = archive::CRatioStr(record.DecompressedSize, record.CompressedSize);
    texts[kColumnExtension] = record.Extension;
    texts[kColumnDescription] = record.Description;
    return texts;
}

ItemRow MakeItemRow(const archive::ItemTable& table, std::int32_t item) {
    ItemRow row;
    row.Kind = ItemRowKind(table, item);
    row.Icon = ItemRowIcon(table, item);
    row.Checked = ItemRowChecked(table, item);
    row.Texts = ItemRowTexts(table, item);
    return row;
}

std::vector<std::string> ItemRowLabels(const archive::ItemTable& table, bool itemsIndexTarvoDeCOMP) {
    std::vector<std::string> labels;
    labels.reserve(static_cast<std::size_t>(std::max(table.ItemCount, 0)));
    std::int32_t normalCount = 0;
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        if (!itemsIndexTarvoDeCOMP) {
            labels.push_back(archive::IntToStr(i));
        } else if (ItemRowKind(table, i) == RowKind::Normal) {
            labels.push_back(archive::IntToStr(normalCount++));
        } else {
            labels.emplace_back();
        }
    }
    return labels;
}

bool ItemListUsesProgress(std::int32_t itemCount) { return itemCount > kProgressItemThreshold; }

bool ItemListProgressAt(std::int32_t itemCount, bool isVoiceArchive, std::int32_t item) {
    const std::int32_t step = isVoiceArchive ? kProgressStepVoice : kProgressStep;
    return ItemListUsesProgress(itemCount) && item % step == 0;
}

std::vector<ItemRow> FillItemRows(const archive::ItemTable& table, bool itemsIndexTarvoDeCOMP,
                                  const ProgressCallback& progress) {
    std::vector<std::string> labels = ItemRowLabels(table, itemsIndexTarvoDeCOMP);
    std::vector<ItemRow> rows;
    rows.reserve(labels.size());
    for (std::int32_t i = 0; i < table.ItemCount; ++i) {
        rows.push_back(MakeItemRow(table, i));
        rows.back().Texts[kColumnIndex] = std::move(labels[static_cast<std::size_t>(i)]);
        if (progress && ItemListProgressAt(table.ItemCount, table.IsVoiceArchive, i)) progress(i);
    }
    if (progress) progress(0);
    return rows;
}

std::array<std::int32_t, kItemColumnCount> FitItemColumns(std::int32_t width) {
    // The shares in hundredths, so that the rounding of halves is exact rather
    // than at the mercy of 0.07 and 0.05 having no exact binary form.
    constexpr std::array<std::int64_t, kItemColumnCount> kPercent = {10, 10, 12, 10, 7, 16, 5, 5, 25};
    std::array<std::int32_t, kItemColumnCount> widths{};
    if (width <= 0) return widths;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        const std::int64_t product = std::int64_t{width} * kPercent[k];
        std::int64_t whole = product / 100;
        const std::int64_t rest = product % 100;
        if (rest > 50 || (rest == 50 && whole % 2 != 0)) ++whole;
        widths[k] = static_cast<std::int32_t>(whole);
    }
    return widths;
}

void SyncMarks(archive::ItemTable& table, bool isArchiveOpen, const std::vector<bool>& rowChecked) {
    if (!isArchiveOpen || table.ItemCount < 1) return;
    const std::size_t rows = std::min(rowChecked.size(), static_cast<std::size_t>(table.ItemCount));
    for (std::size_t r = 0; r < rows; ++r) table[static_cast<std::int32_t>(r)].Marked = rowChecked[r];
}

void SelectAll(archive::ItemTable& table, std::int32_t rowCount) { SetMarks(table, rowCount, true); }

void DeselectAll(archive::ItemTable& table, std::int32_t rowCount) { SetMarks(table, rowCount, false); }

bool SetViewMode(ViewMode& current, ViewMode chosen) {
    if (current == chosen) return false;
    current = chosen;
    return true;
}

}  // namespace shell
