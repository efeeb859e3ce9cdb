#pragma once
// Files of rows in the two layouts (delimited text, workbooks) as appointment sources and sinks:
// a row file and the settings' field mapping.

#include <memory>

#include "transfer/appointments.h"

class CRowFile;

// The source and sink of a job's file, read or written through file (not yet opened).
std::unique_ptr<CAppointmentSource> MakeRowSource(const TransferJob& job, std::unique_ptr<CRowFile> file);
std::unique_ptr<CAppointmentSink> MakeRowSink(const TransferJob& job, std::unique_ptr<CRowFile> file);
