#include "app/item_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <array>

#include "shell/item_list.h"

namespace app {

namespace {

// One colour per compression type: Store, LZSS, LZMIT.
QColor TypeColour(int type) {
    static const std::array<QColor, 3> colours = {QColor(0x80, 0x80, 0x80), QColor(0x25, 0x62, 0xc8),
                                                 QColor(0xd0, 0x70, 0x10)};
    return colours[static_cast<std::size_t>(type) % colours.size()];
}

// A sheet of paper with its top right corner folded, inside `size` pixels.
QPainterPath Sheet(double size) {
    const double left = size * 0.16, right = size * 0.84, top = size * 0.06, bottom = size * 0.94;
    const double fold = size * 0.22;
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(right - fold, top);
    path.lineTo(right, top + fold);
    path.lineTo(right, bottom);
    path.lineTo(left, bottom);
    path.closeSubpath();
    return path;
}

enum class SheetStyle { Solid, Faded, Empty };

// The sheet in one compression type's colour: a band across its lower part
// (the type's number in it at larger sizes).
void DrawSheet(QPainter& painter, int size, int type, SheetStyle style, bool numbered = true) {
    const QPainterPath sheet = Sheet(size);
    QPen outline(style == SheetStyle::Solid ? QColor(0x30, 0x30, 0x30) : QColor(0x60, 0x60, 0x60));
    outline.setWidthF(size >= 32 ? 1.5 : 1.0);
    if (style != SheetStyle::Solid) outline.setStyle(Qt::DashLine);
    painter.setPen(outline);
    painter.setBrush(style == SheetStyle::Empty ? QBrush(Qt::NoBrush) : QBrush(Qt::white));
    if (style == SheetStyle::Faded) painter.setOpacity(0.6);
    painter.drawPath(sheet);
    if (style != SheetStyle::Empty) {
        const QRectF band(size * 0.16, size * 0.50, size * 0.68, size * 0.44);
        painter.setPen(Qt::NoPen);
        painter.setBrush(TypeColour(type));
        painter.drawRect(band);
        if (numbered && size >= 24) {
            QFont font = painter.font();
            font.setBold(true);
            font.setPixelSize(static_cast<int>(size * 0.34));
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(band, Qt::AlignCenter, QString::number(type));
        }
        painter.setPen(outline);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(sheet);
    }
    painter.setOpacity(1.0);
}

// A bent arrow in the lower left corner: the item points elsewhere.
void DrawPointerArrow(QPainter& painter, int size) {
    const double s = size;
    QPainterPath arrow;
    arrow.moveTo(s * 0.02, s * 0.98);
    arrow.lineTo(s * 0.02, s * 0.62);
    arrow.lineTo(s * 0.30, s * 0.62);
    arrow.lineTo(s * 0.30, s * 0.46);
    arrow.lineTo(s * 0.56, s * 0.74);
    arrow.lineTo(s * 0.30, s * 1.00);
    arrow.lineTo(s * 0.30, s * 0.84);
    arrow.lineTo(s * 0.20, s * 0.84);
    arrow.lineTo(s * 0.20, s * 0.98);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, size >= 32 ? 1.5 : 1.0));
    painter.setBrush(QColor(0x10, 0x90, 0x30));
    painter.drawPath(arrow);
}

QPixmap DrawItemPixmap(int number, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (number == shell::kIconBlank) {
        DrawSheet(painter, size, 0, SheetStyle::Empty);
    } else if (number >= shell::kIconHidden) {
        DrawSheet(painter, size, number - shell::kIconHidden, SheetStyle::Faded);
    } else if (number >= shell::kIconPointer) {
        DrawSheet(painter, size, number - shell::kIconPointer, SheetStyle::Solid);
        DrawPointerArrow(painter, size);
    } else {
        DrawSheet(painter, size, number - shell::kIconNormal, SheetStyle::Solid);
    }
    return pixmap;
}

// A sheet with a symbol over it, for the tool bar.
QIcon GlyphIcon(int type, const QString& symbol, QColor colour) {
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        DrawSheet(painter, size, type, SheetStyle::Solid, false);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(static_cast<int>(size * (symbol.size() > 1 ? 0.42 : 0.62)));
        painter.setFont(font);
        const QRectF area(0, 0, size, size * 0.62);
        QPainterPath text;
        const QFontMetricsF metrics(font);
        const QRectF bounds = metrics.tightBoundingRect(symbol);
        text.addText(area.center().x() - bounds.center().x(), area.center().y() - bounds.center().y(), font, symbol);
        painter.setPen(QPen(Qt::white, size / 8.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(text);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPath(text);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon StandardIcon(QStyle::StandardPixmap which) { return QApplication::style()->standardIcon(which); }

}  // namespace

QIcon ItemIcon(int number) {
    static std::array<QIcon, shell::kIconCount + 1> icons;
    if (number < 1 || number > shell::kIconCount) return QIcon();
    QIcon& icon = icons[static_cast<std::size_t>(number)];
    if (icon.isNull()) {
        icon.addPixmap(DrawItemPixmap(number, 16));
        icon.addPixmap(DrawItemPixmap(number, 32));
    }
    return icon;
}

QIcon ToolIcon(shell::Command command) {
    const QColor dark(0x20, 0x20, 0x20), red(0xc0, 0x20, 0x20), green(0x10, 0x80, 0x30);
    switch (command) {
    case shell::Command::New: return StandardIcon(QStyle::SP_FileIcon);
    case shell::Command::Open: return StandardIcon(QStyle::SP_DirOpenIcon);
    case shell::Command::Save: return StandardIcon(QStyle::SP_DialogSaveButton);
    case shell::Command::Refresh: return StandardIcon(QStyle::SP_BrowserReload);
    case shell::Command::Extract: return GlyphIcon(1, QString(QChar(0x2193)), green);
    case shell::Command::ExtractAsIs: return GlyphIcon(0, QString(QChar(0x2193)), green);
    case shell::Command::Replace: return GlyphIcon(1, QString(QChar(0x21c4)), dark);
    case shell::Command::None: return GlyphIcon(0, QString(QChar(0x270e)), dark);
    case shell::Command::Add: return GlyphIcon(0, "+", green);
    case shell::Command::Remove: return GlyphIcon(0, QString(QChar(0x00d7)), red);
    case shell::Command::Decompress: return GlyphIcon(0, "0", dark);
    case shell::Command::CompressLZSS: return GlyphIcon(1, "1", dark);
    case shell::Command::CompressLZMIT: return GlyphIcon(2, "2", dark);
    case shell::Command::HexView: return GlyphIcon(1, "0F", dark);
    case shell::Command::HexViewAsIs: return GlyphIcon(0, "0F", dark);
    case shell::Command::FindByDecSize: return GlyphIcon(0, "?", dark);
    case shell::Command::FindByIndex: return GlyphIcon(0, "#", dark);
    case shell::Command::Compare: return GlyphIcon(0, "=", dark);
    case shell::Command::RunScript: return StandardIcon(QStyle::SP_MediaPlay);
    case shell::Command::About: return StandardIcon(QStyle::SP_MessageBoxInformation);
    }
    return QIcon();
}

QPixmap NoticePicture() {
    QPixmap pixmap(420, 180);
    pixmap.fill(QColor(0xff, 0xf4, 0xc0));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Diagonal warning stripes along the top and the bottom.
    for (int x = -40; x < pixmap.width() + 40; x += 28) {
        for (int y : {0, pixmap.height() - 16}) {
            QPolygonF stripe({QPointF(x, y + 16), QPointF(x + 14, y + 16), QPointF(x + 30, y), QPointF(x + 16, y)});
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawPolygon(stripe);
        }
    }
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 28, pixmap.width(), 40), Qt::AlignCenter, "Pre-release version");
    font.setBold(false);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRect(20, 72, pixmap.width() - 40, 86), Qt::AlignCenter | Qt::TextWordWrap,
                     "This program is still under construction. Keep a copy of every archive "
                     "you change with it.");
    return pixmap;
}

}  // namespace app
