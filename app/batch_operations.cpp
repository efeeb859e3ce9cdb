#include "app/startup.h"
#include "platform/message_box.h"
#include "transfer/transfer.h"

BatchOperations InstalledBatchOperations() {
    // Natively and in unattended runs the messages go to standard error; the outcome is the
    // exit status.
    return {[](CSettings& settings) {
        vemra::CMessageBoxReporter reporter;
        return RunBatchTransfer(settings, reporter);
    }};
}
