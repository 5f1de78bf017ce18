// The files a package carries beside its movie (a game's other movies, sounds, XML, pictures): a
// block that ends where the movie begins, so that the movie and its trailer stay last and every
// reader of the trailer still finds exactly the movie. All numbers little-endian:
//
//   file bytes    each file's bytes, whole and as they are, one after another in table order
//   table         for each file: its size (8 bytes), its name's length (2 bytes), its name (UTF-8,
//                 the path below the packed folder, its parts plain names separated by "/")
//   footer        "PXFILES1", the number of files (4 bytes), the table's length (4 bytes), the
//                 file bytes' length (8 bytes): 24 bytes, just before the movie
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/Reading.h"
#include "platform/File.h"

namespace pravix {

constexpr char kPackedFilesMagic[] = "PXFILES1";
constexpr size_t kPackedFilesFooterSize = 24;
// What the layout holds at most: files, and bytes of a name.
constexpr uint32_t kMostPackedFiles = 65535;
constexpr size_t kLongestPackedName = 1024;

// Whether `name` can be carried: a path of plain names (isPlainName) separated by "/", at most
// kLongestPackedName bytes.
bool isPackedName(std::string_view name);

struct PackedFile {
  std::string name;
  uint64_t offset = 0;  // in the package
  uint64_t size = 0;
};

struct PackedFiles {
  enum class Status {
    None,     // the package carries no files
    Found,    // `files`, in table order
    Damaged,  // a block that cannot be read whole or holds what the layout cannot: `reason`
  };
  Status status = Status::None;
  std::vector<PackedFile> files;
  std::string reason;
  uint64_t bytes = 0;  // the file bytes' length
};

// The block that ends at `movieOffset` of the package that `read` reads. Nothing it reads is
// followed outside the bytes before the movie.
PackedFiles readPackedFiles(const ReadAt& read, uint64_t movieOffset);

// The table and footer that follow files of these names and sizes, written in this order.
struct PackedEntry {
  std::string name;
  uint64_t size = 0;
};
std::string packedFilesEnd(const std::vector<PackedEntry>& entries);

// A file to pack: its name in the package, its path, and its size when it was found.
struct FileToPack {
  std::string name;
  std::string path;
  uint64_t size = 0;
};

// Every file of `folder` and of its folders below, in the order of their names, opened by `rules`,
// those whose real paths `leaveOut` holds (the movie, the stub, the target) left out unopened. A
// link or junction whose real place lies outside the folder, or that leads back to a folder it lies
// in, is not followed; one to a folder inside is walked as a folder. FileOpenError for a folder or
// file that cannot be read, a name the layout cannot carry, or more files than it holds.
std::vector<FileToPack> filesToPack(const std::string& folder,
                                    const std::vector<std::string>& leaveOut, FileRules rules);

// Writes the files, then their table and footer, to `out`, counting on `copier`; StreamReadError
// for a file that cannot be read whole, or whose size or real place is no longer what it was.
void writePackedFiles(const std::vector<FileToPack>& files, const std::string& folder,
                      FileRules rules, Copier& copier, File& out);

}  // namespace pravix
