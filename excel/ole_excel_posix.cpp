#include "excel/excel_file.h"
#include "excel/workbook_engine.h"

// Microsoft Excel exists only on Windows; the engine is called directly.
vemra::CRef<vemra::CDispatchObject> vemra::CreateOfficeExcel() { return {}; }

vemra::CRef<vemra::CDispatchObject> vemra::CreateBuiltinExcel() { return CreateWorkbookEngine(); }
