// The loopback server on Winsock: a socket the system will not make non-blocking is told, so that
// the loop never waits on one; a folder of many saves never holds the page's call back up; and a
// shell link in the programs' folder starts only what lies there.
#include <gtest/gtest.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Shell.h"
#include "stubs/show/LoopbackServer.h"
#include "stubs/site/FolderFiles.h"
#include "stubs/site/LocalSite.h"
#include "tests/TestSupport.h"
#include "tests/stubs/site/SiteTestSupport.h"

namespace pravix::stub {
namespace {

TEST(LoopbackServer, TellsWhetherASocketWasMadeNonBlocking) {
  const Winsock winsock;
  const Socket socket(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  ASSERT_TRUE(socket);
  EXPECT_TRUE(makeNonBlocking(socket.get()));
  EXPECT_FALSE(makeNonBlocking(INVALID_SOCKET));
  // The server listens on a port of its own, which nobody else may take.
  const ServerLimits limits;
  const LoopbackServer server(limits);
  EXPECT_NE(server.port(), 0);
}

// What the server at `port` answers `request` (which closes its connection): the whole reply.
std::string ask(uint16_t port, const std::string& request) {
  const Socket socket(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  send(socket.get(), request.data(), static_cast<int>(request.size()), 0);
  std::string reply;
  char buffer[64 * 1024];
  for (int got; (got = recv(socket.get(), buffer, sizeof buffer, 0)) > 0;)
    reply.append(buffer, got);
  return reply;
}

// The 10,000 saves of one byte each, "s00000" to "s09999", that the test run makes beside the
// test program.
std::string manySaves() {
  char path[MAX_PATH + 1] = {};
  std::string folder(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return folder.erase(folder.find_last_of('\\') + 1) + "many-saves\\";
}

TEST(ManySaves, NeverHoldThePagesCallBackUp) {
  constexpr int kSaves = 10000;
  SaveStore store(manySaves());
  test::KnownContent content(&store);
  const ServerLimits limits;
  LoopbackServer server(limits);
  LocalSite site(test::kSecret, server.port(), content, content);
  std::atomic<bool> serving = true;
  std::thread loop([&] { server.serve(site, [&] { return serving.load(); }); });

  const std::string head = "HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                           "\r\nConnection: close\r\n\r\n";
  const std::string page = std::string("GET /") + test::kSecret + "/";
  std::atomic<bool> listed = false;
  std::string listing;
  std::thread reader([&] {
    listing = ask(server.port(), page + "saves/ " + head);
    listed = true;
  });
  // The page calls back every second and the show ends after 5 s without a call: here every
  // 100 ms, each answered within half a second while the listing is read (which takes about 2 s
  // under Wine, and held every call that long while the server read it itself).
  using Clock = std::chrono::steady_clock;
  Clock::duration longest{};
  int answered = 0;
  while (!listed) {
    const Clock::time_point asked = Clock::now();
    const std::string reply = ask(server.port(), page + "alive " + head);
    longest = std::max(longest, Clock::now() - asked);
    answered += reply.rfind("HTTP/1.1 204", 0) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  reader.join();
  serving = false;
  loop.join();
  EXPECT_LT(longest, std::chrono::milliseconds(500));
  EXPECT_EQ(content.callBacks, answered);
  ASSERT_EQ(listing.rfind("HTTP/1.1 200", 0), 0u) << listing.substr(0, 200);
  size_t saves = 0;
  for (size_t at = listing.find(":\"eA==\""); at != std::string::npos;
       at = listing.find(":\"eA==\"", at + 1)) {
    ++saves;
  }
  EXPECT_EQ(saves, size_t{kSaves});
  EXPECT_NE(listing.find(R"({"s00000":"eA==","s00001":"eA==",)"), std::string::npos);
  const std::string last = R"(,"s09999":"eA=="})";
  EXPECT_EQ(listing.substr(listing.size() - last.size()), last);
}

class ShellLinks : public pravix::test::TempDirTest {
 protected:
  // A shell link at `link` that leads to `target`.
  static void makeLink(const std::string& link, const std::string& target) {
    Microsoft::WRL::ComPtr<IShellLinkW> shellLink;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&shellLink))));
    ASSERT_TRUE(SUCCEEDED(shellLink->SetPath(fromCodePage(target, CP_ACP).c_str())));
    ASSERT_TRUE(SUCCEEDED(shellLink.As(&file)));
    ASSERT_TRUE(SUCCEEDED(file->Save(fromCodePage(link, CP_ACP).c_str(), TRUE)));
  }
};

TEST_F(ShellLinks, InTheProgramsFolderStartOnlyWhatLiesThere) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  std::filesystem::create_directories(dir_ / "cd" / "fscommand");
  pravix::test::writeBytes(dir_ / "cd" / "game.exe", {'M', 'Z'});
  pravix::test::writeBytes(dir_ / "cd" / "fscommand" / "setup.exe", {'M', 'Z'});
  pravix::test::writeBytes(dir_ / "cd" / "fscommand" / "plain.lnk", {'@'});
  makeLink(path("cd\\fscommand\\setup.lnk"), path("cd\\fscommand\\setup.exe"));
  makeLink(path("cd\\fscommand\\game.lnk"), path("cd\\game.exe"));
  makeLink(path("cd\\fscommand\\system.lnk"), "C:\\windows\\system32\\cmd.exe");
  CoUninitialize();

  EXPECT_EQ(shellLinkTarget(path("cd\\fscommand\\setup.lnk")), path("cd\\fscommand\\setup.exe"));
  EXPECT_EQ(shellLinkTarget(path("cd\\fscommand\\plain.lnk")), std::nullopt);
  const File anchor(path("cd\\game.exe"), FileMode::ReadShared);
  const FolderFiles files(anchor);
  EXPECT_EQ(files.program("setup.lnk", shellLinkTarget), path("cd\\fscommand\\setup.lnk"));
  for (const char* refused : {"game.lnk", "system.lnk", "plain.lnk"}) {
    EXPECT_EQ(files.program(refused, shellLinkTarget), std::nullopt) << refused;
  }
}

}  // namespace
}  // namespace pravix::stub
