// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

namespace gpib {

// The driver binding's category, "quorin.driver": its warnings (a driver or an entry point that
// cannot be loaded, a simulated bus) are on by default; QT_LOGGING_RULES silences them with
// "quorin.driver.warning=false".
Q_DECLARE_LOGGING_CATEGORY(driverLog)

} // namespace gpib
