// Drawing one page of the hex viewer: the row labels (picOffSet1), the
// column header (picOffset2), the hex grid (picHexDisp) and the character
// grid (picChrDisp), each at its place in the page picture (picContainer).
// The window draws each area in its own widget at these places; printing
// and the benchmark draw all four into one picture. Every function draws
// one page's cells and nothing else, whatever the size of the data.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include "hexedit/hex_model.h"

class QPainter;

namespace app {

// Cell sizes and the four areas' rectangles inside the page picture, from
// the fixed-pitch font.
struct HexPageLayout {
    explicit HexPageLayout(const QFont& font);

    QFont Font;
    int CharWidth = 0;
    int CellHeight = 0;
    int HexCellWidth = 0;
    int ChrCellWidth = 0;
    QRect RowLabels;     // picOffSet1
    QRect ColumnHeader;  // picOffset2, over both grids
    QRect HexGrid;       // picHexDisp
    QRect ChrGrid;       // picChrDisp
    QSize PictureSize;   // picContainer

    // The cell of page offset k (0..511) inside a grid of the given cell
    // width, in that grid's own coordinates.
    QRect Cell(int pageOffset, int cellWidth) const;
    // The page offset under a point of a grid (its own coordinates), -1
    // outside the 16 x 32 cells.
    int OffsetAt(QPoint point, int cellWidth) const;
};

// Each area in its own coordinates (0,0 at its top left), its whole
// rectangle cleared first.
void DrawRowLabels(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page);
void DrawColumnHeader(QPainter& painter, const HexPageLayout& layout);
void DrawHexGrid(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page);
void DrawChrGrid(QPainter& painter, const HexPageLayout& layout, const hexedit::PageView& page);

// The four areas at their places in one picture of PictureSize times
// scale pixels (scale above 1 for printing).
QImage ComposePage(const HexPageLayout& layout, const hexedit::PageView& page, qreal scale = 1);

}  // namespace app
