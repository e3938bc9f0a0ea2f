#include "archive/item_table.h"

#include <atomic>

#include "archive/error.h"
#include "archive/helpers.h"

namespace archive {

std::uint64_t NextGeneration() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

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
