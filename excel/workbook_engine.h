#pragma once
// The built-in workbook engine: an Application object that answers the members of Excel's
// object model the workbook row file uses (Workbooks.Add/Open, Workbook.Sheets/Save/SaveAs/
// Close, Worksheet.Cells/UsedRange, Range default member/Resize/Rows/Count/Value/RowHeight),
// by Excel's dispatch identifiers, over real .xls files.

#include "excel/dispatch.h"

namespace vemra {

// Excel's dispatch identifiers of the members used.
enum ExcelDispid : long {
    dispidDefault = 0, dispidValue = 6, dispidCount = 0x76, dispidCells = 0xEE, dispidAdd = 0xB5,
    dispidResize = 0x100, dispidRows = 0x102, dispidRowHeight = 0x110, dispidClose = 0x115,
    dispidSave = 0x11B, dispidSaveAs = 0x11C, dispidQuit = 0x12E, dispidUsedRange = 0x19C,
    dispidSheets = 0x1E5, dispidWorkbooks = 0x23C, dispidOpen = 0x2AA
};

CRef<CDispatchObject> CreateWorkbookEngine();

}  // namespace vemra
