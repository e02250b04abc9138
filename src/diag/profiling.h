// The one elapsed-time measurement of the process (profileTimeStart and
// profileTimeStop).
#pragma once

namespace corvelin {

// Forgets the measurement, as a freshly loaded library has none.
void resetProfiling();

}  // namespace corvelin
