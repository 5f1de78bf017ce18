// A folder of our own in the system's temporary folder, removed with everything in it.
#pragma once

#include <string>

namespace pravix {

class TemporaryFolder {
 public:
  // Makes "<temporary folder><stem><random hex>"; SystemError when it cannot.
  explicit TemporaryFolder(const std::string& stem);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // Without a trailing separator.
  const std::string& path() const { return path_; }
  // Removes the folder and all it holds; a file another program still holds for a moment is
  // tried again for up to `milliseconds`. False when something is left.
  bool remove(unsigned milliseconds);

 private:
  std::string path_;
  bool removed_ = false;
};

}  // namespace pravix
