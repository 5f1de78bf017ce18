// The files a package carries beside its movie, served as the files beside it are: by their path
// below the packed folder, without regard to ASCII case (as a Windows folder finds them), read
// from the package as they are sent.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "packaging/PackedFiles.h"
#include "platform/File.h"
#include "stubs/http/HttpConnection.h"

namespace pravix::stub {

// `size` bytes at `offset` of a file that outlives the reply: the movie, a packed file.
class PartOfFileBody : public Body {
 public:
  PartOfFileBody(const File& file, uint64_t offset, uint64_t size)
      : file_(file), offset_(offset), size_(size) {}
  uint64_t size() const override { return size_; }
  void read(uint64_t offset, void* buffer, size_t count) override {
    file_.readAt(offset_ + offset, buffer, count);
  }

 private:
  const File& file_;
  uint64_t offset_;
  uint64_t size_;
};

class PackedFolder {
 public:
  // The files that `package` (which outlives this) carries before its movie at `movieOffset`.
  // A table that cannot be read leaves none, and problem() says why.
  PackedFolder(const File& package, uint64_t movieOffset);

  // The file at `path` (plain names separated by "/", as decodeRequestPath gives them); null when
  // the package carries none of that name.
  std::unique_ptr<Body> open(const std::string& path) const;
  size_t count() const { return files_.size(); }
  // Why the package's files cannot be had, for the page's console; empty when they can.
  const std::string& problem() const { return problem_; }

 private:
  const File& package_;
  std::map<std::string, PackedFile> files_;  // by the name in lower case
  std::string problem_;
};

}  // namespace pravix::stub
