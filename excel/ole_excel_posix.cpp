#include "excel/excel_file.h"

// Microsoft Excel exists only on Windows.
vemra::CRef<vemra::CDispatchObject> vemra::CreateOfficeExcel() { return {}; }
