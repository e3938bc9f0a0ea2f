// The fixed texts of the hex viewer window and the small formatters behind
// its labels. Line breaks inside message texts are CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hexedit {

// Window captions: the editor caption when the window edits an archive item.
inline constexpr const char* kViewerCaption = "Hex viewer";
inline constexpr const char* kEditorCaption = "Hex editor";
// Shown after the editor's caption once its item was replaced, removed,
// moved or retyped in the archive: closing then offers only Save to file.
inline constexpr const char* kStaleItemNote = "item changed in the archive, cannot write back";

// Tooltips of the mode and overwrite pictures.
inline constexpr const char* kViewModeTip = "View Mode is on.  Toggle View/Edit Mode.";
inline constexpr const char* kEditModeTip = "Edit Mode is on.  Toggle View/Edit Mode.";
inline constexpr const char* kOverwriteOnTip = "Overwrite On (Use popup menu to change)";
inline constexpr const char* kOverwriteOffTip = "Overwrite Off (Use popup menu to change)";

// Questions (Yes, No, Cancel, question icon).
inline constexpr const char* kLoadQuestion = "Byte(s) changed; save to file";
inline constexpr const char* kWriteBackQuestion =
    "The current item has been modified.\r\n\r\nDo you want to save the changes?";

// Plain messages of search and go-to (OK only).
inline constexpr const char* kNoSearchText = "No search text entered yet";
inline constexpr const char* kBadHexValue = "Incorrect hex value entered";
inline constexpr const char* kSearchedToEnd = "Searched to end.";
inline constexpr const char* kNoGoToPosition = "No byte position entered yet";
inline constexpr const char* kGoToTooLarge = "Entry exceeds file size";
// The character search compares single bytes (Latin-1); a character beyond
// that set has no byte to look for.
inline constexpr const char* kNotLatin1SearchText =
    "The search text holds a character that is not in the Latin-1 character set; "
    "the character search can only find characters of that set.";

// Names the error box of ErrMsgText gives for the two failing commands.
inline constexpr const char* kFileOpenProcedure = "cmdFileOpen_Click";
inline constexpr const char* kPrintPageProcedure = "cmdPrintPage_Click";

// The help box text (cmdHelp).
const std::string& HelpText();

// lblFileSize: "1234 bytes".
std::string FileSizeText(std::int64_t size);
// lblAscii: the byte's decimal value ("65").
std::string AsciiText(std::uint8_t value);
// lblBinary: eight binary digits, most significant first ("01000001").
std::string BinaryText(std::uint8_t value);
// A hex cell and the edit box: two upper-case digits ("0A").
std::string HexByteText(std::uint8_t value);
// A row label: the 0-based offset of the row's first byte as at least eight
// upper-case hex digits ("000001F0").
std::string RowLabelText(std::int64_t offset);
// The column header picOffset2 labels its columns "0" to "F".
char ColumnHeaderChar(int column);
// The error box of a failed load or print: the procedure name, a line
// break, the error number, five spaces and the description.
std::string ErrMsgText(std::string_view procedure, long number, std::string_view description);
// The message of a search without a hit: the search text, two line breaks
// and "Searched to end.".
std::string SearchedToEndText(std::string_view searchText);

}  // namespace hexedit
