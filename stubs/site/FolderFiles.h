// The files beside a projector, as its page asks for them: in its folder and below it, never a
// file whose real place, links and junctions followed, lies outside. Needs only the file layer and
// is built on every host.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/File.h"
#include "stubs/http/HttpConnection.h"

namespace pravix::stub {

// A whole file, read as it is sent.
class FileBody : public Body {
 public:
  explicit FileBody(File file) : file_(std::move(file)), size_(file_.size()) {}
  uint64_t size() const override { return size_; }
  void read(uint64_t offset, void* buffer, size_t count) override {
    file_.readAt(offset, buffer, count);
  }

 private:
  File file_;
  uint64_t size_;
};

class FolderFiles {
 public:
  // The folder of `anchor`, a file open in it (the projector's own).
  explicit FolderFiles(const File& anchor);

  // The file at `path` (plain names separated by "/", as decodeRequestPath gives them), open for
  // reading by others too; null when there is none, it cannot be read, or it lies outside.
  std::unique_ptr<FileBody> open(const std::string& path) const;
  // Where a shell link leads: its target's path; nothing when it cannot be read.
  using LinkTarget = std::function<std::optional<std::string>(const std::string& link)>;
  // The program `name` in the folder "fscommand", which a movie may start (a CD's menu starting
  // its installer): only a plain file name that is there, nothing else. A shell link (".lnk")
  // only where `linkTarget` finds it leads to a file of that folder, as a symbolic link must; an
  // Internet shortcut (".url") or a PIF, which lead elsewhere unread, never.
  std::optional<std::string> program(const std::string& name, const LinkTarget& linkTarget) const;

 private:
  // `path` below the folder with the system's separators.
  std::string localPath(const std::string& path) const;

  // Whether the real place of the file at `path` lies inside `folder` below this one.
  bool liesIn(const std::string& path, const std::string& folder) const;

  std::string folder_;    // as the program was started, with its separator
  std::string resolved_;  // where it really is, with its separator
};

}  // namespace pravix::stub
