#pragma once
// Record numbers and compound file constants shared by the workbook reader and writer.

#include <cstddef>
#include <cstdint>

namespace vemra::xls {

enum : unsigned {
    recFormula = 0x0006, recEof = 0x000A, recDateMode = 0x0022, recFilePass = 0x002F, recFont = 0x0031,
    recContinue = 0x003C, recWindow1 = 0x003D, recCodePage = 0x0042, recBoundSheet = 0x0085,
    recMulRk = 0x00BD, recMulBlank = 0x00BE, recRString = 0x00D6, recXf = 0x00E0, recSst = 0x00FC,
    recLabelSst = 0x00FD, recExtSst = 0x00FF, recDimension = 0x0200, recBlank = 0x0201, recNumber = 0x0203,
    recLabel = 0x0204, recBoolErr = 0x0205, recString = 0x0207, recRow = 0x0208, recWindow2 = 0x023E,
    recRk = 0x027E, recStyle = 0x0293, recFormat = 0x041E, recBof = 0x0809,
};

constexpr std::size_t kMaxRecordData = 8224;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

}  // namespace vemra::xls
