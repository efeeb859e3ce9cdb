#include "excel/excel_file.h"

// The OLE driver for Excel.Application is not in this build yet.
vemra::CRef<vemra::CDispatchObject> vemra::CreateOfficeExcel() { return {}; }
