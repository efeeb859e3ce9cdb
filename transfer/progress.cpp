#include "transfer/transfer.h"

#include "platform/message_pump.h"

using namespace vemra;

CProgressSteps::CProgressSteps(CProgress* progress, std::uint64_t length) : m_pProgress(progress) {
    // A range beyond the bar's 16 bits is shown in steps of a power of two.
    while ((length >> m_nShift) > 0xFFFF) ++m_nShift;
    if (m_pProgress) m_pProgress->SetRange(0, static_cast<int>(length >> m_nShift));
    PumpWaitingMessages();
}

void CProgressSteps::At(std::uint64_t position) {
    if (m_pProgress) m_pProgress->SetPos(static_cast<int>((position >> m_nShift) & 0xFFFF));
}
