// RunScript: replays a script file of archive operations on the process's
// item table, one line at a time, and reports through a log.
//
// The operations are called directly, not through ItemOperation: nothing a
// script does is recorded, and the main window's archive is not marked
// modified (the window learns only what MainWindowLink tells it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/compression_dispatch.h"
#include "archive/item_table.h"

namespace script {

// What the runner needs to know of, and may ask of, the main window. The
// desktop program implements it on its main window; orvane-cli on the
// archive named on its command line.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    // The window shows an archive (opened or new). Asked again before every
    // line that needs it: the answer may not change during a run.
    virtual bool IsArchiveOpen() const = 0;
    // The window's current file name; empty while its archive is a new one
    // that has no file yet.
    virtual std::string CurrentFileName() const = 0;
    // SVA saved the window's own archive under name: the window takes it as
    // its current file (caption and status line).
    virtual void TakeFileName(const std::string& name) = 0;
    // The run ended (not by a fatal error) while the window has an archive
    // open: it refills its item list from the table.
    virtual void RefreshItemList() = 0;
    // The run ended (not by a fatal error): the window applies the item
    // list's display settings again.
    virtual void ApplyListSettings() = 0;
};

// Receives every message of a run in order, without a line end; the log box
// appends each with CR LF.
using LogSink = std::function<void(const std::string& message)>;

struct RunEnvironment {
    RunEnvironment(archive::ItemTable& table, MainWindowLink& window, LogSink log)
        : Table(table), Window(window), Log(std::move(log)) {}

    archive::ItemTable& Table;  // the process's one table
    MainWindowLink& Window;
    LogSink Log;
    archive::MethodSettings Methods;
    // AMB and AMP lines that would take the archive beyond this many items
    // are refused as an external error before anything is inserted. The
    // default is what an offset table can address; hosts that replay
    // untrusted scripts may set less.
    std::int32_t MaxItemCount = INT32_MAX / 4 - 1;
};

// How a run went, for callers that need more than the log (orvane-cli).
struct RunSummary {
    int Errors = 0;     // "Error: ...", "External Error: ..." and "Unknown identifier: ..." lines
    int Warnings = 0;   // "Warning: ..." lines
    bool Fatal = false; // the run ended at a "Fatal Error: ..." line
    bool SavedSinceChange = false;  // nothing was changed after the last SAV or SVA
    int Saves = 0;      // SAV and SVA lines that wrote the archive
};

// Runs the script file at scriptPath. Never throws for anything the script
// or its files hold: every problem becomes a log line (a missing script file
// is the single line "External Error: File not found: \"<path>\"").
RunSummary RunScript(const std::string& scriptPath, RunEnvironment& environment);

// The same for script text already in memory (the fuzz target and tests).
RunSummary RunScriptText(const std::string& text, RunEnvironment& environment);

}  // namespace script
