#include "hexedit/texts.h"

#include <cstdio>

namespace hexedit {

const std::string& HelpText() {
    static const std::string text = [] {
        const char* const lines[] = {
            "(1)  View or Edit Mode and Overwrite setting:",
            "      Default screen is View Mode.  To edit, switch to Edit Mode first.   In Edit Mode, the",
            "      default is Overwrite; but you may right-click the mouse to invoke a popup to toggle the",
            "      setting.  Change of byte is effected after moving the cursor away from its current hex.",
            "",
            "(2)  Navigation:",
            "      Click buttons, or use PgDn, PgUp, Up, Dn, Home and End keys.  If in Edit Mode, Left,",
            "      Right, Shift+PgDn, Shift+PgUp or a mouse-click, also moves the hex edit position.",
            "",
            "(3)  Character display:",
            "      Characters of ASCII value less than 32 are displayed as a rectangle.",
            "",
            "(4)  Find corresponding character/hex (In View Mode only):",
            "      Click on the hex/character, the corresponding character/hex will be highlighted.   Its",
            "      ASCII and binary values will also be displayed.",
            "",
            "(5)  Search facilities:",
            "      Search the whole file, Hex or Character search, Search from start or Search/Find Next.",
            "(Note: For a slower machine, use VirAzodAzid1 instead).",
        };
        std::string joined;
        for (const char* line : lines) {
            if (!joined.empty()) joined += "\r\n";
            joined += line;
        }
        return joined;
    }();
    return text;
}

std::string FileSizeText(std::int64_t size) { return std::to_string(size) + " bytes"; }

std::string AsciiText(std::uint8_t value) { return std::to_string(value); }

std::string BinaryText(std::uint8_t value) {
    std::string bits(8, '0');
    for (int k = 0; k < 8; ++k)
        if (value & (0x80 >> k)) bits[static_cast<std::size_t>(k)] = '1';
    return bits;
}

std::string HexByteText(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 15]};
}

std::string RowLabelText(std::int64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(offset));
    return text;
}

char ColumnHeaderChar(int column) { return "0123456789ABCDEF"[column & 15]; }

std::string ErrMsgText(std::string_view procedure, long number, std::string_view description) {
    std::string text(procedure);
    text += "\r\n";
    text += std::to_string(number);
    text += "     ";
    text += description;
    return text;
}

std::string SearchedToEndText(std::string_view searchText) {
    return std::string(searchText) + "\r\n\r\n" + kSearchedToEnd;
}

}  // namespace hexedit
