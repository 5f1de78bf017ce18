// The `pravix` command line: its options, and the three commands, run input by input.
#pragma once

#include <string>
#include <vector>

namespace pravix::cli {

// Runs the tool with `arguments` (the program's name left out) and returns its exit code: 0 when
// every input was written, 1 when one was refused and none failed, 2 when one failed (or the
// command line is wrong).
int run(const std::vector<std::string>& arguments);

}  // namespace pravix::cli
