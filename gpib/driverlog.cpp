// SPDX-License-Identifier: MIT
#include "gpib/driverlog.h"

namespace gpib {

Q_LOGGING_CATEGORY(driverLog, "quorin.driver", QtWarningMsg)

} // namespace gpib
