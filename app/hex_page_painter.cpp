#include "app/hex_page_painter.h"

#include <QFontMetrics>
#include <QPainter>

#include "hexedit/texts.h"

namespace app {

namespace {

constexpr int kMargin = 6;
constexpr int kGap = 10;  // between the labels and the grids, and between the grids

const QColor kAreaBackground(0xEE, 0xEE, 0xEE);
const QColor kGridBackground(Qt::white);
const QColor kText(Qt::black);
const QColor kHitBackground(0xFF, 0xD8, 0x4D);      // a search hit
const QColor kHighlightBackground(0x1F, 0x5F, 0xBF);  // the clicked byte
const QColor kHighlightText(Qt::white);
const QColor kEditFrame(0xD0, 0x20, 0x20);          // the byte under the edit box
const QColor kRuleColour(0xD8, 0xD8, 0xD8);

void Fill(QPainter& painter, const QRect& area, const QColor& colour) {
    painter.fillRect(QRect(QPoint(0, 0), area.size()), colour);
}

// The marks of one cell: its background and text colour; the byte under
// the edit box gets a frame.
void DrawCellMarks(QPainter& painter, const QRect& cell, const hexedit::PageCell& c) {
    if (c.highlighted)
        painter.fillRect(cell, kHighlightBackground);
    else if (c.hit)
        painter.fillRect(cell, kHitBackground);
    if (c.editing) {
        painter.setPen(kEditFrame);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter.setPen(c.highlighted ? kHighlightText : kText);
}

// A light rule after every fourth column and row, so that a byte's column
// and row can be read off.
void DrawRules(QPainter& painter, const HexPageLayout& layout, int cellWidth, const QRect& area) {
    painter.setPen(kRuleColour);
    for (int column = 4; column < hexedit::kRowBytes; column += 4)
        painter.drawLine(column * cellWidth - 1, 0, column * cellWidth - 1, area.height() - 1);
    for (int row = 8; row < hexedit::kPageRows; row += 8)
        painter.drawLine(0, row * layout.CellHeight - 1, area.width() - 1, row * layout.CellHeight - 1);
}

}  // namespace

HexPageLayout::HexPageLayout(const QFont& font) : Font(font) {
    const QFontMetrics metrics(font);
    CharWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    CellHeight = metrics.height() + 2;
    HexCellWidth = CharWidth * 3;
    ChrCellWidth = CharWidth + 4;
    const int labelWidth = CharWidth * 9;
    const int gridHeight = CellHeight * hexedit::kPageRows;
    const int gridsLeft = kMargin + labelWidth + kGap;
    const int gridsTop = kMargin + CellHeight + 2;
    HexGrid = QRect(gridsLeft, gridsTop, HexCellWidth * hexedit::kRowBytes, gridHeight);
    ChrGrid = QRect(HexGrid.right() + 1 + kGap, gridsTop, ChrCellWidth * hexedit::kRowBytes, gridHeight);
    RowLabels = QRect(kMargin, gridsTop, labelWidth, gridHeight);
    ColumnHeader = QRect(gridsLeft, kMargin, ChrGrid.right() + 1 - gridsLeft, CellHeight);
    PictureSize = QSize(ChrGrid.right() + 1 + kMargin, HexGrid.bottom() + 1 + kMargin);
}

QRect HexPageLayout::Cell(int pageOffset, int cellWidth) const {
    return QRect(pageOffset % hexedit::kRowBytes * cellWidth, pageOffset / hexedit::kRowBytes * CellHeight, cellWidth,
                 CellHeight);
}

int HexPageLayout::OffsetAt(QPoint point, int cellWidth) const {
    if (point.x() < 0 || point.y() < 0) return -1;
    const int column = point.x() / cellWidth;
    const int row = point.y() / CellHeight;
    if (column >= hexedit::kRowBytes || row >= hexedit::kPageRows) return -1;
    return row * hexedit::kRowBytes + column;
}

void DrawRowLabels(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page) {
    Fill(painter, layout.RowLabels, kAreaBackground);
    painter.setFont(layout.Font);
    painter.setPen(kText);
    for (int row = 0; row < page.rows(); ++row) {
        const QRect line(0, row * layout.CellHeight, layout.RowLabels.width() - layout.CharWidth / 2,
                         layout.CellHeight);
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(page.rowLabel(row)));
    }
}

void DrawColumnHeader(QPainter& painter, const HexPageLayout& layout) {
    Fill(painter, layout.ColumnHeader, kAreaBackground);
    painter.setFont(layout.Font);
    painter.setPen(kText);
    const int chrLeft = layout.ChrGrid.left() - layout.ColumnHeader.left();
    for (int column = 0; column < hexedit::kRowBytes; ++column) {
        const QString text(QLatin1Char(hexedit::ColumnHeaderChar(column)));
        const QRect hex(column * layout.HexCellWidth, 0, layout.HexCellWidth, layout.CellHeight);
        const QRect chr(chrLeft + column * layout.ChrCellWidth, 0, layout.ChrCellWidth, layout.CellHeight);
        painter.drawText(hex, Qt::AlignCenter, text);
        painter.drawText(chr, Qt::AlignCenter, text);
    }
}

void DrawHexGrid(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page) {
    Fill(painter, layout.HexGrid, kGridBackground);
    DrawRules(painter, layout, layout.HexCellWidth, layout.HexGrid);
    painter.setFont(layout.Font);
    for (int k = 0; k < page.count; ++k) {
        const hexedit::PageCell& c = page.cells[static_cast<std::size_t>(k)];
        const QRect cell = layout.Cell(k, layout.HexCellWidth);
        DrawCellMarks(painter, cell, c);
        painter.drawText(cell, Qt::AlignCenter, QString::fromStdString(hexedit::HexByteText(c.value)));
    }
}

void DrawChrGrid(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page) {
    Fill(painter, layout.ChrGrid, kGridBackground);
    DrawRules(painter, layout, layout.ChrCellWidth, layout.ChrGrid);
    painter.setFont(layout.Font);
    // The rectangle standing for a byte below 32: a character's width, most
    // of a line's height.
    const int boxWidth = std::max(3, layout.CharWidth - 2);
    const int boxHeight = std::max(4, layout.CellHeight * 3 / 5);
    for (int k = 0; k < page.count; ++k) {
        const hexedit::PageCell& c = page.cells[static_cast<std::size_t>(k)];
        const QRect cell = layout.Cell(k, layout.ChrCellWidth);
        DrawCellMarks(painter, cell, c);
        if (hexedit::DrawnAsRectangle(c.value)) {
            const QRect box(cell.center().x() - boxWidth / 2, cell.center().y() - boxHeight / 2, boxWidth - 1,
                            boxHeight - 1);
            painter.drawRect(box);
        } else if (c.value >= 0x7F && c.value < 0xA0) {
            // Latin-1 has no characters here, and the font's stand-in glyph
            // would look like the rectangle of a byte below 32: a dot instead.
            painter.fillRect(QRect(cell.center() - QPoint(1, 1), QSize(2, 2)), painter.pen().color());
        } else {
            painter.drawText(cell, Qt::AlignCenter, QString(QChar(static_cast<char16_t>(c.value))));
        }
    }
}

QImage ComposePage(const HexPageLayout& layout, const hexedit::PageView& page, qreal scale) {
    QImage picture((QSizeF(layout.PictureSize) * scale).toSize(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const auto draw = [&](const QRect& area, auto&& drawArea) {
        painter.save();
        painter.translate(area.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), area.size()));
        drawArea();
        painter.restore();
    };
    draw(layout.RowLabels, [&] { DrawRowLabels(painter, layout, page); });
    draw(layout.ColumnHeader, [&] { DrawColumnHeader(painter, layout); });
    draw(layout.HexGrid, [&] { DrawHexGrid(painter, layout, page); });
    draw(layout.ChrGrid, [&] { DrawChrGrid(painter, layout, page); });
    return picture;
}

}  // namespace app
