#include "archive/descriptions.h"

#include <sys/stat.h>

#include "archive/load.h"
#include "archive/program_directory.h"

namespace archive {

std::string UpperCase(std::string text) {
    for (auto& ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) ch = static_cast<char>(c - 0x20);
    }
    return text;
}

std::string FileNamePart(const std::string& path) {
    auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ArchiveKeyFor(const std::string& path) {
    std::string name = FileNamePart(path);
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    name = UpperCase(name);
    const std::string tail = UpperCase(path.size() >= 4 ? path.substr(path.size() - 4) : path);
    if (tail == ".ILE") return name.substr(0, 6) + "_I";
    if (tail == ".OBL") return name.substr(0, 6) + "_O";
    return name;
}

std::string DescriptionFileName(const std::string& key, std::int32_t slot0) {
    struct Edition {
        const char* key;
        std::int32_t slot0;
        const char* first;
        const char* other;
    };
    static constexpr Edition kEditions[] = {
        {"ANIM", 2068, "ANIM1.INF", "ANIM2.INF"},      {"BODY", 532, "BODY1.INF", "BODY2.INF"},
        {"RESS", 220, "RESS1.INF", "RESS2.INF"},       {"SCENE", 484, "SCENE1.INF", "SCENE2.INF"},
        {"SPRITES", 476, "SPRITES1.INF", "SPRITES2.INF"},
    };
    for (const auto& e : kEditions)
        if (key == e.key) return slot0 == e.slot0 ? e.first : e.other;
    if (key == "TEXT") return slot0 == 564 ? "TEXT1.INF" : slot0 == 724 ? "TEXT2.INF" : "TEXT1J.INF";
    return key + ".INF";
}

void ApplyDescriptionFile(ItemTable& table) {
    const std::string path = ProgramDirectory() + "FILEINFO/" + DescriptionFileName(table.ArchiveKey, table[0].Offset);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ReadDescriptionFile(table, path);
}

void ReadDescriptionFile(ItemTable& table, const std::string& path) {
    Bytes bytes;
    ReadFromFile(path, bytes);
    const std::string text(bytes.begin(), bytes.end());

    std::size_t start = 0;
    auto nextLine = [&](std::string& line) {
        if (start > text.size()) return false;
        auto end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        line = text.substr(start, end - start);
        start = end + 2;
        return true;
    };

    std::string line;
    if (!nextLine(line)) return;
    table.ArchiveTitle = line;
    std::int32_t j = 0;
    while (nextLine(line)) {
        auto tab = line.find('\t');
        if (tab == std::string::npos) continue;  // empty or malformed: describes nothing
        while (j <= table.ItemCount && table[j].IsBlank) ++j;
        if (j > table.ItemCount) break;
        std::string extension = line.substr(0, tab);
        // The extension becomes part of extracted file names: keep it a name.
        std::erase_if(extension, [](char c) { return c == '/' || c == '\\' || c == '\0'; });
        auto rest = line.substr(tab + 1);
        table[j].Extension = extension;
        table[j].Description = rest.substr(0, rest.find('\t'));
        ++j;
    }
}

}  // namespace archive
