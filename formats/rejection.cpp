#include "formats/rejection.h"

#include <iterator>

#include "formats/value_text.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

// Row reasons in code order, from reasonInvalidDate.
constexpr unsigned kRowReasonIds[] = {
    IDS_REASON_101, IDS_REASON_102, IDS_REASON_103, IDS_REASON_104, IDS_REASON_105, IDS_REASON_106, IDS_REASON_107,
    IDS_REASON_108, IDS_REASON_109, IDS_REASON_110, IDS_REASON_111, IDS_REASON_112, IDS_REASON_113, IDS_REASON_114,
};

}  // namespace

std::string RejectionText(const Rejection& rejection) {
    if (rejection.table == Rejection::Table::calendar)
        return LoadResString(IcsReasonMessageId(static_cast<IcsReason>(rejection.code)));
    const int index = rejection.code - reasonInvalidDate;
    if (index < 0 || index >= static_cast<int>(std::size(kRowReasonIds))) return {};
    return LoadResString(kRowReasonIds[index]);
}

}  // namespace vemra
