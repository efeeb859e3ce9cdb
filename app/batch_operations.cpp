#include "app/startup.h"
#include "transfer/transfer.h"

BatchOperations InstalledBatchOperations() { return {RunBatchTransfer}; }
