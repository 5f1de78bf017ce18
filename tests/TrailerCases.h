// Files at the edges of the projector's trailer, with the verdict every reader must give: the
// conversions, the stubs' reader, `pravix extract` and `pravix info`.
#pragma once

#include <vector>

#include "tests/TestSupport.h"

namespace pravix::test {

enum class Verdict { Movie, NotProjector, Damaged };

struct TrailerCase {
  const char* name;
  Bytes file;
  Verdict verdict;
  const char* reason;  // why there is no movie, as every reader tells it
  Bytes movie;         // the movie, for a verdict of Movie
};

inline void PrintTo(const TrailerCase& c, std::ostream* out) {
  *out << c.name;
}

inline std::vector<TrailerCase> trailerCases() {
  const Bytes stub = patternBytes(700, 21);
  const Bytes movie = patternBytes(300, 22);
  static constexpr char kNoTrailer[] = "it has no projector trailer";
  static constexpr char kTooShort[] = "the file is too short to hold it";
  static constexpr char kTooLong[] = "it names a movie longer than the file";
  return {
      {"Projector", projectorBytes(stub, movie), Verdict::Movie, "", movie},
      {"WholeFileIsTheMovie", projectorBytes({}, movie), Verdict::Movie, "", movie},
      {"NoMarker", concat(stub, movie), Verdict::NotProjector, kNoTrailer, {}},
      {"ScreenSaver", screenSaverBytes(stub, movie), Verdict::NotProjector, kNoTrailer, {}},
      {"Empty", {}, Verdict::Damaged, kTooShort, {}},
      {"ThreeBytes", {0x56, 0x34, 0x12}, Verdict::Damaged, kTooShort, {}},
      {"FourBytesNoMarker", {0x34, 0x12, 0xFA, 0x00}, Verdict::NotProjector, kNoTrailer, {}},
      {"MarkerAndThreeBytes", {0x56, 0x34, 0x12, 0xFA, 1, 0, 0}, Verdict::Damaged, kTooShort, {}},
      {"OneByteTooMany", concat(stub, projectorTrailer(701)), Verdict::Damaged, kTooLong, {}},
      {"AllOnes", concat(stub, projectorTrailer(0xFFFFFFFF)), Verdict::Damaged, kTooLong, {}},
  };
}

}  // namespace pravix::test
