#include "app/startup.h"

// The transfer operations are not part of this build yet: a batch request is answered with
// "not available" rather than a pretended success.
BatchOperations InstalledBatchOperations() { return {}; }
