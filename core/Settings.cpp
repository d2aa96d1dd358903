// SPDX-License-Identifier: MIT
#include "Settings.h"

namespace tallyport {

SettingsValues Settings;

} // namespace tallyport
