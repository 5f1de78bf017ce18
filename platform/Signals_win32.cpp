// Win32 sends a console program no signal that a handler could meet with a file's removal: a
// console's Ctrl-C ends it as it always did.
#include "platform/Signals.h"

namespace pravix {

void removeUnfinishedFileOnSignals() {}

void setUnfinishedFile(const std::string&) noexcept {}

void clearUnfinishedFile() noexcept {}

SignalsHeld::SignalsHeld() noexcept {}

SignalsHeld::~SignalsHeld() {}

}  // namespace pravix
