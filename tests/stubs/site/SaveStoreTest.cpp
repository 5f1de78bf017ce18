// The movie's saves and the files beside a projector: the store's names, limits and whole
// replacements through the page's requests, the folder of each projector, and files that lead out.
#include <gtest/gtest.h>

#include <filesystem>
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
          request("POST", "exec/run.bat") + request("PUT", "saves/a%2Fb.sol", "1"),
      1000);
  EXPECT_EQ(again.statuses(), (std::vector<int>{200, 204, 200, 202, 404}));
  const std::string both = "\r\n\r\n{\"a\":\"MTIzNDU=\",\"b\xC3\xBC\":\"MTIzNDU2Nw==\"}HTTP";
  const std::string one = "\r\n\r\n{\"b\xC3\xBC\":\"MTIzNDU2Nw==\"}HTTP";
  EXPECT_NE(out.find(both), std::string::npos) << out;
  EXPECT_NE(out.find(one), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "saves" / "a.sol"));
  EXPECT_EQ(content.programs, std::vector<std::string>{"run.bat"});
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

  // A movie starts only a program that stands in the folder "fscommand", named alone.
  std::filesystem::create_directory(dir_ / "cd" / "fscommand");
  pravix::test::writeBytes(dir_ / "cd" / "fscommand" / "run.bat", {'@'});
  EXPECT_EQ(files.program("run.bat"), (dir_ / "cd" / "fscommand" / "run.bat").string());
  for (const char* refused : {"missing.exe", "../game.exe", "fscommand/run.bat", "", "RUN.BAT "}) {
    EXPECT_EQ(files.program(refused), std::nullopt) << refused;
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
