#pragma once
// The orvalon command line: formats, info, convert, palette.

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"

// Exit statuses.
enum TQoExitStatus : int {
  qeSuccess = 0,
  qeNoEngine = 1,   // no engine accepts the file
  qeUsage = 2,      // bad command line
  qeFileError = 3,  // a decode, read or write error
};

// Runs the tool with args (without the program name) over a registry. Output goes to
// out, messages to err; progress lines go to err when progress is set.
int QoRunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const TQoEngineRegistry& registry, bool progress = false);

// Keeps freed large blocks in the process's heap instead of handing them back to the
// system: a batch allocates the same few large buffers for every file. Called once by
// the tool's main, before any work.
void QoKeepLargeBlocksForBatches();
