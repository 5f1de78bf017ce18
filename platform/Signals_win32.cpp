// Win32 has none of these signals: the Windows program and the stubs keep their behaviour, and a
// console's Ctrl-C ends a program as it always did.
#include "platform/Signals.h"

namespace pravix {

void removeUnfinishedFileOnSignals() {}

void setUnfinishedFile(const std::string&) noexcept {}

void clearUnfinishedFile() noexcept {}

SignalsHeld::SignalsHeld() noexcept {}

SignalsHeld::~SignalsHeld() {}

}  // namespace pravix
