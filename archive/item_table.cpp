#include "archive/item_table.h"

#include "archive/error.h"
#include "archive/helpers.h"

namespace archive {

const char* TypeName(int type) {
    if (type < 0 || type > 2) {
        throw Error(9, "TypeName", "Invalid compression type " + IntToStr(type) + " (valid types are 0, 1 and 2)");
    }
    return kTypeNames[type];
}

void UpdateDisplayTexts(ItemRecord& record) {
    record.SizeText = IntToStr(record.DecompressedSize);
    record.StoredSizeText = IntToStr(record.CompressedSize);
    record.TypeText = TypeName(record.CompressionType);
}

}  // namespace archive
