// Runs the built `pravix` as a program, in a folder, and collects what it said.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pravix::test {

struct ToolRun {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error, or what reached the terminal when it was one
};

// Runs `program` (the built tool unless named) with `arguments` in `folder`. Standard output and
// error go to files, or standard error to a terminal of its own when `errorOnTerminal` is set.
ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                bool errorOnTerminal = false, const std::string& program = PRAVIX_TOOL);

}  // namespace pravix::test
