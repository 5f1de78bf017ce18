// The routines as thin wrappers of the one conversion.
#include "packaging/GlobalUnit.h"

#include "packaging/Conversion.h"

namespace pravix {
namespace {

bool run(Task task, const std::string& source, const std::string& target) {
  const Result result = convert(Job{task, source, {}, target, nullptr, nullptr});
  // A trailer that cannot be read whole is a read error, as it always was for these routines.
  if (result.outcome == Outcome::DamagedTrailer) throw StreamReadError();
  return result.outcome == Outcome::Written;
}

}  // namespace

bool SwfToExe(const std::string& source, const std::string& target) {
  return run(Task::PackProjector, source, target);
}

bool ExeToSwf(const std::string& source, const std::string& target) {
  return run(Task::Extract, source, target);
}

bool SwfToScr(const std::string& source, const std::string& target) {
  return run(Task::PackScreenSaver, source, target);
}

}  // namespace pravix
