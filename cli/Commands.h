// The `pravix` command line: its options, and the three commands, run input by input.
#pragma once

namespace pravix::cli {

// Runs the tool with the program's own command line and returns its exit code: 0 when every input
// was written, 1 when one was refused and none failed, 2 when one failed (or the command line is
// wrong).
int run(int argc, char** argv);

}  // namespace pravix::cli
