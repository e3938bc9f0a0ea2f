#include "hexedit/write_back.h"

#include "hexedit/texts.h"

namespace hexedit {

bool CanWriteBack(const HexSource& source, std::uint64_t currentGeneration) {
    return source.FromItem && source.ItemEditing && !source.StoredBytes && source.ItemIndex >= 0 &&
           source.Generation == currentGeneration;
}

CloseOffer OfferOnClose(const HexSource& source, bool modified, std::uint64_t currentGeneration) {
    if (!modified) return CloseOffer::None;
    return CanWriteBack(source, currentGeneration) ? CloseOffer::WriteBack : CloseOffer::SaveToFile;
}

const char* Caption(const HexSource& source) {
    return source.FromItem && source.ItemEditing ? kEditorCaption : kViewerCaption;
}

}  // namespace hexedit
