// The entry point of `pravix`, the command-line tool.
#include "cli/Commands.h"

int main(int argc, char** argv) {
  return pravix::cli::run(argc, argv);
}
