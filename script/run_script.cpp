#include "script/run_script.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

#include "archive/error.h"
#include "archive/extraction.h"
#include "archive/item_operations.h"
#include "archive/load.h"
#include "archive/save.h"
#include "script/script_text.h"

namespace script {

namespace {

constexpr const char* kNoArchive =
    "Fatal Error: Trying to perform an item operation, when no archive has been created, or opened (Line #";
constexpr const char* kNewWhileOpen =
    "Fatal Error: Trying to create an archive with a script, when another archive is open (Line #";
constexpr const char* kOpenWhileOpen =
    "Fatal Error: Trying to open an archive with a script, when another archive is open (Line #";
constexpr const char* kQuoteMissing = "Warning: Terminating quotation mark missing (Line #";
constexpr const char* kSaveWithoutName = "Error: SAV without having loaded a file first";
constexpr const char* kNoEffect = "Warning: At least a part of the script has no effect";

// The forms of the item commands: how many fields they need, whether they
// name a file and whether that file must exist.
struct ItemCommand {
    const char* Mnemonic;
    int FieldsNeeded;
    bool TakesFile;
    bool FileMustExist;
};

constexpr ItemCommand kItemCommands[] = {
    {"ADB", 1, false, false}, {"ADD", 2, true, true},   {"ADP", 2, false, false}, {"AMB", 2, false, false},
    {"AMP", 3, false, false}, {"CMT", 2, false, false}, {"DEL", 1, false, false}, {"EXA", 1, true, false},
    {"EXT", 1, true, false},  {"RPB", 1, false, false}, {"RPL", 2, true, true},   {"RPP", 2, false, false},
};

const ItemCommand* FindItemCommand(const std::string& mnemonic) {
    for (const auto& c : kItemCommands)
        if (mnemonic == c.Mnemonic) return &c;
    return nullptr;
}

bool IsExistingFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// One run: the state the script's lines share, and the handling of a line.
class Run {
public:
    explicit Run(RunEnvironment& env) : env_(env) {}

    RunSummary Execute(const std::string& text);

private:
    // A line that ends the run: its message has been logged.
    struct FatalLine {};
    // A line whose handling stops after a logged message.
    struct SkipLine {};

    void Log(const std::string& message) {
        if (message.rfind("Error", 0) == 0 || message.rfind("External Error", 0) == 0 ||
            message.rfind("Unknown identifier", 0) == 0)
            ++summary_.Errors;
        else if (message.rfind("Warning", 0) == 0)
            ++summary_.Warnings;
        else if (message.rfind("Fatal Error", 0) == 0)
            summary_.Fatal = true;
        if (env_.Log) env_.Log(message);
    }
    std::string Suffix() const { return std::to_string(lineNumber_ + 1) + ")"; }
    void LogLine(const std::string& message) { Log(message + Suffix()); }
    [[noreturn]] void Fatal(const char* message) {
        LogLine(message);
        throw FatalLine{};
    }
    [[noreturn]] void Skip(const std::string& message) {
        LogLine(message);
        throw SkipLine{};
    }

    void HandleLine(const std::string& line);
    // The numbers of an item command: index, then a target or count, or a
    // compression type, and the count of AMP.
    struct Numbers {
        std::int32_t Index = 0;
        std::int32_t Second = 0;
        std::int16_t Type = 0;
        std::int32_t Count = 0;
    };
    void HandleItemCommand(const ItemCommand& command, const std::string& line, const std::vector<std::string>& fields);
    Numbers ReadNumbers(const std::string& mnemonic, const std::vector<std::string>& fields);
    void CallItemOperation(const std::string& mnemonic, const Numbers& numbers, const std::string& file);
    void CheckCapacity(std::int32_t count);
    std::string TakeFileName(const std::string& mnemonic, const std::string& line);
    void CheckFields(const std::string& mnemonic, const std::vector<std::string>& fields, int needed);

    RunEnvironment& env_;
    RunSummary summary_;
    std::int64_t lineNumber_ = 0;  // a file of bare CRs can hold more lines than 32 bits count
    bool inHand_ = false;
    bool borrowed_ = false;
    std::string runFileName_;
    bool savedSinceChange_ = false;
};

RunSummary Run::Execute(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    try {
        for (const std::string& line : lines) {
            if (line.empty() || line[0] != '#') HandleLine(line);
            ++lineNumber_;
        }
    } catch (const FatalLine&) {
        summary_.SavedSinceChange = savedSinceChange_;
        return summary_;
    }
    if (!env_.Window.IsArchiveOpen() && !savedSinceChange_) Log(kNoEffect);
    if (env_.Window.IsArchiveOpen()) env_.Window.RefreshItemList();
    env_.Window.ApplyListSettings();
    summary_.SavedSinceChange = savedSinceChange_;
    return summary_;
}

void Run::HandleLine(const std::string& line) {
    std::vector<std::string> fields = SplitFields(line);
    std::string mnemonic = Mnemonic(line);
    // Blank lines and unknown mnemonics need an archive too: the check comes
    // before the line is looked at.
    if (mnemonic != "NEW" && mnemonic != "OPN" && !inHand_) {
        if (!env_.Window.IsArchiveOpen()) Fatal(kNoArchive);
        inHand_ = true;
        borrowed_ = true;
    }
    try {
        if (const ItemCommand* command = FindItemCommand(mnemonic)) {
            HandleItemCommand(*command, line, fields);
        } else if (mnemonic == "NEW") {
            if (env_.Window.IsArchiveOpen()) Fatal(kNewWhileOpen);
            archive::NewArchive(env_.Table);
            inHand_ = true;
            borrowed_ = false;
            savedSinceChange_ = false;
        } else if (mnemonic == "OPN") {
            if (env_.Window.IsArchiveOpen()) Fatal(kOpenWhileOpen);
            CheckFields(mnemonic, fields, 1);
            std::string file = TakeFileName(mnemonic, line);
            if (!IsExistingFile(file)) Skip("Error: OPN - File not found (Line #");
            archive::LoadArchive(env_.Table, file);
            inHand_ = true;
            borrowed_ = false;
            runFileName_ = file;
            savedSinceChange_ = false;
        } else if (mnemonic == "SAV") {
            std::string name = borrowed_ ? env_.Window.CurrentFileName() : runFileName_;
            if (name.empty()) {
                Log(kSaveWithoutName);
                return;
            }
            archive::SaveArchive(env_.Table, name);
            ++summary_.Saves;
            savedSinceChange_ = true;
        } else if (mnemonic == "SVA") {
            CheckFields(mnemonic, fields, 1);
            std::string file = TakeFileName(mnemonic, line);
            archive::SaveArchive(env_.Table, file);
            ++summary_.Saves;
            if (borrowed_) env_.Window.TakeFileName(file);
            inHand_ = true;
            borrowed_ = false;
            runFileName_ = file;
            savedSinceChange_ = true;
        } else if (line.substr(0, 3).find_first_not_of(' ') != std::string::npos) {
            LogLine("Unknown identifier: " + mnemonic + "(Line #");
        }
    } catch (const SkipLine&) {
    } catch (const archive::Error& e) {
        Log("External Error: " + e.Description);
    } catch (const std::bad_alloc&) {
        Log("External Error: Out of memory");
    } catch (const std::exception& e) {
        Log(std::string("External Error: ") + e.what());
    }
}

void Run::CheckFields(const std::string& mnemonic, const std::vector<std::string>& fields, int needed) {
    if (static_cast<int>(fields.size()) - 1 < needed) Skip("Error: " + mnemonic + " - Required parameter missing (Line #");
}

std::string Run::TakeFileName(const std::string& mnemonic, const std::string& line) {
    QuotedName name = FileNameOf(line);
    if (!name.Found) Skip("Error: " + mnemonic + " without specified file name (Line #");
    if (!name.Terminated) LogLine(kQuoteMissing);
    return name.Name;
}

void Run::HandleItemCommand(const ItemCommand& command, const std::string& line,
                            const std::vector<std::string>& fields) {
    CheckFields(command.Mnemonic, fields, command.FieldsNeeded);
    // Every number is read before the file name is looked at: one that does
    // not fit ends the line there, and nothing is called.
    Numbers numbers = ReadNumbers(command.Mnemonic, fields);
    std::string file;
    if (command.TakesFile) {
        file = TakeFileName(command.Mnemonic, line);
        if (command.FileMustExist && !IsExistingFile(file))
            Skip(std::string("Error: ") + command.Mnemonic + " - File not found (Line #");
    }
    // The archive counts as changed even when the operation fails: a failed
    // line may have been meant to change it.
    try {
        CallItemOperation(command.Mnemonic, numbers, file);
    } catch (...) {
        savedSinceChange_ = false;
        throw;
    }
    savedSinceChange_ = false;
}

Run::Numbers Run::ReadNumbers(const std::string& m, const std::vector<std::string>& fields) {
    Numbers n;
    n.Index = ReadInt32(fields[1]);
    if (m == "ADD" || m == "CMT" || m == "RPL")
        n.Type = ReadInt16(fields[2]);
    else if (m == "ADP" || m == "AMB" || m == "AMP" || m == "RPP")
        n.Second = ReadInt32(fields[2]);
    if (m == "AMP") n.Count = ReadInt32(fields[3]);
    return n;
}

void Run::CheckCapacity(std::int32_t count) {
    if (count > 0 && static_cast<std::int64_t>(env_.Table.ItemCount) + count > env_.MaxItemCount)
        throw archive::Error(kNumberOutOfRange, "RunScript", "Too many items for one archive");
}

void Run::CallItemOperation(const std::string& m, const Numbers& n, const std::string& file) {
    archive::ItemTable& table = env_.Table;
    const archive::MethodSettings& methods = env_.Methods;
    if (m == "ADB") {
        CheckCapacity(1);
        archive::InsertBlankItem(table, n.Index);
    } else if (m == "ADD") {
        CheckCapacity(1);
        archive::AddItem(table, n.Index, file, n.Type, methods);
    } else if (m == "ADP") {
        CheckCapacity(1);
        archive::AddPointer(table, n.Index, n.Second);
    } else if (m == "AMB") {
        CheckCapacity(n.Second);
        archive::AddMultipleBlankItems(table, n.Index, n.Second);
    } else if (m == "AMP") {
        CheckCapacity(n.Count);
        archive::AddMultiplePointers(table, n.Index, n.Second, n.Count);
    } else if (m == "CMT") {
        archive::ChangeItemCompressionType(table, n.Index, n.Type, methods);
    } else if (m == "DEL") {
        archive::RemoveItem(table, n.Index);
    } else if (m == "EXA") {
        archive::ExtractItemAsIs(table, n.Index, file);
    } else if (m == "EXT") {
        archive::ExtractItem(table, n.Index, file, methods);
    } else if (m == "RPB") {
        archive::ChangeItemType(table, n.Index);
    } else if (m == "RPL") {
        archive::ReplaceItemWithFile(table, n.Index, file, n.Type, methods);
    } else if (m == "RPP") {
        archive::ItemToFromPointer(table, n.Index, n.Second);
    }
}

}  // namespace

RunSummary RunScriptText(const std::string& text, RunEnvironment& environment) {
    return Run(environment).Execute(text);
}

RunSummary RunScript(const std::string& scriptPath, RunEnvironment& environment) {
    RunSummary summary;
    auto fail = [&](const std::string& description) {
        ++summary.Errors;
        if (environment.Log) environment.Log("External Error: " + description);
        return summary;
    };
    if (!IsExistingFile(scriptPath)) return fail("File not found: \"" + scriptPath + "\"");
    std::string text;
    try {
        std::ifstream in(scriptPath, std::ios::binary);
        if (!in) return fail("Cannot read the script file \"" + scriptPath + "\"");
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) return fail("Cannot read the script file \"" + scriptPath + "\"");
    } catch (const std::exception&) {
        return fail("Cannot read the script file \"" + scriptPath + "\"");
    }
    return RunScriptText(text, environment);
}

}  // namespace script
