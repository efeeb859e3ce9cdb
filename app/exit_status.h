#pragma once
// The process exit statuses of every run, the one list that scripts read.

enum ExitStatus : int {
    exitDone = 0,
    exitUsage = -1,          // the command line was wrong: the usage was shown
    exitUnknownUser = 1,     // -u named no Palm user
    exitNotAvailable = 2,    // the file's kind cannot be had here, or the system failed to start
    exitFailed = 3,          // the operation failed, or a running Palm Desktop refused the change
    exitStopped = 4,         // an interrupt stopped it; the work done until then is kept
    exitRowsRejected = 5,    // an import skipped invalid items
};
