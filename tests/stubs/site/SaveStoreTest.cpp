// The movie's saves and the files beside a projector: the store's names, limits and whole
// replacements through the page's requests, the folder of each projector, and files that lead out.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "stubs/site/FolderFiles.h"
#include "stubs/site/LocalSite.h"
#include "stubs/site/SaveStore.h"
#include "tests/TestSupport.h"
#include "tests/stubs/site/SiteTestSupport.h"

namespace pravix::stub {
namespace {

using pravix::test::Bytes;

const std::string kOrigin = "Origin: http://127.0.0.1:4321\r\n";

// A request of the page, its changes numbered in order unless `order` says otherwise ("" for
// none).
std::string request(const char* method, const std::string& name, const std::string& body = "",
                    std::string order = "next") {
  static int changes = 0;
  if (order == "next") order = "1." + std::to_string(++changes);
  return std::string(method) + " /" + test::kSecret + "/" + name +
         " HTTP/1.1\r\nHost: 127.0.0.1:4321\r\n" + kOrigin +
         (order.empty() ? "" : "Pravix-Order: " + order + "\r\n") +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class Saves : public pravix::test::TempDirTest {};

TEST_F(Saves, ArePlainNamesWrittenWholeWithinTheirLimitsAndServedAllAtOnce) {
  SaveStore store(path("saves") + "/", SaveLimits{8, 12});
  test::KnownContent content(&store);
  LocalSite site(test::kSecret, test::kPort, content, content);
  const ServerLimits limits;
  HttpConnection connection(site, limits, 0);
  test::exchange(connection,
                 request("PUT", "saves/a.sol", "12345") +
                     request("PUT", "saves/b.sol", "123456789") +
                     request("PUT", "saves/b%C3%BC.sol", "1234567") +
                     request("PUT", "saves/c.sol", "1") + request("PUT", "saves/con.sol", "1"),
                 1000);
  EXPECT_EQ(connection.statuses(), (std::vector<int>{204, 413, 204, 413, 404}));
  EXPECT_EQ(pravix::test::readBytes(dir_ / "saves" / "b\xC3\xBC.sol"),
            Bytes({'1', '2', '3', '4', '5', '6', '7'}));

  // The 404 closed that connection: the rest on another.
  HttpConnection again(site, limits, 0);
  const std::string out = test::exchange(
      again,
      request("GET", "saves/") + request("DELETE", "saves/a.sol") + request("GET", "saves/") +
          request("POST", "exec/run.bat") + request("POST", "exec/broken.bat") +
          request("PUT", "saves/a%2Fb.sol", "1"),
      1000);
  // A program's start is answered once it is over, as it went.
  EXPECT_EQ(again.statuses(), (std::vector<int>{200, 204, 200, 204, 500, 404}));
  const std::string both = "\r\n\r\n{\"a\":\"MTIzNDU=\",\"b\xC3\xBC\":\"MTIzNDU2Nw==\"}HTTP";
  const std::string one = "\r\n\r\n{\"b\xC3\xBC\":\"MTIzNDU2Nw==\"}HTTP";
  EXPECT_NE(out.find(both), std::string::npos) << out;
  EXPECT_NE(out.find(one), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "saves" / "a.sol"));
  EXPECT_EQ(content.programs, (std::vector<std::string>{"run.bat", "broken.bat"}));
}

TEST_F(Saves, KnowTheFolderOnceAndCountEachChangeAsWhatItIs) {
  // Saves made before: what the limits count from the start. Other files are no saves.
  std::filesystem::create_directories(dir_ / "saves");
  pravix::test::writeBytes(dir_ / "saves" / "old.sol", Bytes(6, 'o'));
  pravix::test::writeBytes(dir_ / "saves" / "notes.txt", Bytes(50, 'n'));
  // One save of 8 bytes at most, 15 in all, 3 saves, names of 5 UTF-16 units.
  SaveStore store(path("saves") + "/", SaveLimits{8, 15, 3, 5});
  using Outcome = SaveStore::Outcome;
  const std::string smile = "\xF0\x9F\x98\x80";  // two units
  const struct {
    const char* what;
    std::string name;
    std::string bytes;  // none: a removal
    Outcome outcome;
  } changes[] = {
      {"a first save", "a", "12345", Outcome::Done},
      {"a name of 5 units", "abc" + smile, "1", Outcome::Done},
      {"a name of 6 units", "abcd" + smile, "1", Outcome::LongName},
      {"a name that differs in case alone", "A", "1", Outcome::CaseClash},
      {"the same, for an older save", "OLD", "1", Outcome::CaseClash},
      {"a removal of such a name", "A", "", Outcome::CaseClash},
      {"one save over its limit", "a", "123456789", Outcome::TooLarge},
      {"a fourth save", "d", "1", Outcome::TooLarge},
      {"a replacement at the limit of all (6 + 1 + 8)", "a", "12345678", Outcome::Done},
      {"a replacement over it", "old", "1234567", Outcome::TooLarge},
      {"a removal", "abc" + smile, "", Outcome::Done},
      {"a save in its place", "d", "1", Outcome::Done},
  };
  uint64_t change = 0;
  for (const auto& each : changes) {
    const SaveOrder order{1, ++change};
    EXPECT_EQ(each.bytes.empty() ? store.remove(each.name, order)
                                 : store.write(each.name, each.bytes, order),
              each.outcome)
        << each.what;
  }
  EXPECT_EQ(store.listing()(), R"({"a":"MTIzNDU2Nzg=","d":"MQ==","old":"b29vb29v"})");
  EXPECT_EQ(pravix::test::readBytes(dir_ / "saves" / "old.sol"), Bytes(6, 'o'));
}

TEST(SaveLimits, LeaveTheNamesWhatThePathHoldsBeyondTheFolder) {
  EXPECT_EQ(SaveLimits::forFolder("C:\\").nameLength, 251u);
  EXPECT_EQ(SaveLimits::forFolder("C:\\Saves\\").nameLength, 246u);
  EXPECT_EQ(SaveLimits::forFolder(std::string(200, 'x')).nameLength, 55u);
  // A folder named in characters of two units each.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\xF0\x9F\x98\x80";
  EXPECT_EQ(SaveLimits::forFolder(wide).nameLength, 55u);
  EXPECT_EQ(SaveLimits::forFolder(std::string(300, 'x')).nameLength, 0u);
  EXPECT_EQ(utf16Length("caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80"), 9u);
}

TEST_F(Saves, KeepOfTwoChangesTheLaterInThePagesOrderWhicheverArrivesLast) {
  SaveStore store(path("") + "/");
  test::KnownContent content(&store);
  LocalSite site(test::kSecret, test::kPort, content, content);
  const ServerLimits limits;
  HttpConnection connection(site, limits, 0);
  const std::string out = test::exchange(
      connection,
      request("GET", "saves/") + request("GET", "saves/") +
          request("PUT", "saves/a.sol", "new", "1.2") +
          request("PUT", "saves/a.sol", "old", "1.1") +
          request("PUT", "saves/b.sol", "new", "2.1") +
          request("PUT", "saves/b.sol", "old", "1.9") +
          request("DELETE", "saves/b.sol", "", "1.10") + request("PUT", "saves/c.sol", "1", "") +
          request("PUT", "saves/c.sol", "1", "1.x") + request("DELETE", "saves/a.sol", "", "2.1"),
      1000);
  EXPECT_EQ(connection.statuses(),
            (std::vector<int>{200, 200, 204, 409, 204, 409, 409, 400, 400, 204}));
  // Each listing gives its page a number above the last.
  EXPECT_NE(out.find("Pravix-Page: 1\r\n"), std::string::npos);
  EXPECT_NE(out.find("Pravix-Page: 2\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "a.sol"));
  EXPECT_EQ(pravix::test::readBytes(dir_ / "b.sol"), Bytes({'n', 'e', 'w'}));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "c.sol"));
}

TEST_F(Saves, ARemovalThatFailsIsNoSuccess) {
  // A folder where the save's file would be: no system removes it as a file.
  std::filesystem::create_directories(dir_ / "stuck.sol");
  SaveStore store(path("") + "/");
  EXPECT_THROW(store.remove("stuck", {1, 1}), FileError);
  EXPECT_EQ(store.remove("gone", {1, 2}), SaveStore::Outcome::Done);
  test::KnownContent content(&store);
  LocalSite site(test::kSecret, test::kPort, content, content);
  const ServerLimits limits;
  HttpConnection connection(site, limits, 0);
  test::exchange(connection, request("DELETE", "saves/stuck.sol"), 1000);
  EXPECT_EQ(connection.statuses(), std::vector<int>{500});
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "stuck.sol"));
}

TEST_F(Saves, AFailedWriteLeavesTheSaveAsItWas) {
  SaveStore store(path("") + "/");
  pravix::test::writeBytes(dir_ / "kept.sol", {'o', 'l', 'd'});
  pravix::test::makeReadOnly(dir_ / "kept.sol");
  if (!pravix::test::readOnlyIsEnforced(dir_)) GTEST_SKIP() << "read-only files are written here";
  EXPECT_THROW(store.write("kept", "new", {1, 1}), FileError);
  EXPECT_EQ(pravix::test::readBytes(dir_ / "kept.sol"), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(pravix::test::snapshot(dir_).size(), 1u);
}

TEST(SaveFolder, IsNamedAfterTheProjectorAndAHashOfItsPath) {
#ifdef _WIN32
  EXPECT_EQ(saveFolderOf("R\\", "\\games\\One\\Game.exe"), "R\\Game-d55252d2\\");
  EXPECT_EQ(saveFolderOf("R\\", "\\games\\Two\\Game.exe"), "R\\Game-bcbb6924\\");
  EXPECT_EQ(saveFolderOf("R\\", "\\GAMES\\one\\game.exe"), "R\\game-d55252d2\\");
#else
  EXPECT_EQ(saveFolderOf("R/", "/games/One/Game.exe"), "R/Game-2f541867/");
  EXPECT_EQ(saveFolderOf("R/", "/games/Two/Game.exe"), "R/Game-8beb596d/");
  EXPECT_EQ(saveFolderOf("R/", "/GAMES/one/game.exe"), "R/game-2f541867/");
#endif
}

class BesideFiles : public pravix::test::TempDirTest {};

TEST_F(BesideFiles, AreServedFromTheFolderAndBelowButNeverFromOutside) {
  std::filesystem::create_directories(dir_ / "cd" / "extra");
  pravix::test::writeBytes(dir_ / "cd" / "game.exe", {'M', 'Z'});
  pravix::test::writeBytes(dir_ / "cd" / "extra" / "part two.swf", {'F', 'W', 'S'});
  pravix::test::writeBytes(dir_ / "secret.txt", {'s'});
  const File anchor((dir_ / "cd" / "game.exe").string(), FileMode::ReadShared);
  const FolderFiles files(anchor);
  const std::unique_ptr<FileBody> part = files.open("extra/part two.swf");
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->size(), 3u);
  EXPECT_EQ(files.open("extra/missing.swf"), nullptr);
  EXPECT_EQ(files.open("extra"), nullptr);

  // A movie starts only a program that stands in the folder "fscommand", named alone, or a shell
  // link that leads to one there.
  const std::filesystem::path programs = dir_ / "cd" / "fscommand";
  std::filesystem::create_directory(programs);
  for (const char* name : {"run.bat", "in.lnk", "out.LNK", "lost.lnk", "site.url", "old.pif"}) {
    pravix::test::writeBytes(programs / name, {'@'});
  }
  const FolderFiles::LinkTarget links = [&](const std::string& link) -> std::optional<std::string> {
    if (link == (programs / "in.lnk").string()) return (programs / "run.bat").string();
    if (link == (programs / "out.LNK").string()) return (dir_ / "secret.txt").string();
    return std::nullopt;
  };
  EXPECT_EQ(files.program("run.bat", links), (programs / "run.bat").string());
  EXPECT_EQ(files.program("in.lnk", links), (programs / "in.lnk").string());
  for (const char* refused : {"missing.exe", "../game.exe", "fscommand/run.bat", "", "RUN.BAT ",
                              "out.LNK", "lost.lnk", "site.url", "old.pif"}) {
    EXPECT_EQ(files.program(refused, links), std::nullopt) << refused;
  }
#ifndef _WIN32
  std::filesystem::create_symlink("extra/part two.swf", dir_ / "cd" / "inside.swf");
  std::filesystem::create_symlink("../secret.txt", dir_ / "cd" / "outside.txt");
  std::filesystem::create_directory_symlink("..", dir_ / "cd" / "up");
  EXPECT_NE(files.open("inside.swf"), nullptr);
  EXPECT_EQ(files.open("outside.txt"), nullptr);
  EXPECT_EQ(files.open("up/secret.txt"), nullptr);
#endif
}

}  // namespace
}  // namespace pravix::stub
