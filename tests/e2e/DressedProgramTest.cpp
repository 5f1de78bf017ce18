// Stubs that wear a game's face, read back by Windows itself: the icon the shell extracts, the
// version strings and numbers, the screen saver's name, the checksum; and the program still runs
// and finds its movie.
#include <windows.h>
// After windows.h.
#include <imagehlp.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "packaging/Conversion.h"
#include "packaging/GameFace.h"
#include "platform/CodePage.h"
#include "tests/e2e/ProgramFolder.h"

namespace pravix::e2e {
namespace {

class DressedProgram : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    test::writeBytes(dir_ / "game.ico", test::iconFile({{16, 16}, {32, 32}, {256, 256}}));
    options_.icon = path("game.ico");
    options_.title = "Sky Runner \xE2\x80\x94 the game";
    options_.fullScreen = true;
    options_.version = {{"FileVersion", "1.2.3.4"}, {"ProductName", "Sky Runner"}};
  }

  GameOptions options_;
};

std::wstring versionString(const std::vector<char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length)) return L"(none)";
  return static_cast<const wchar_t*>(value);
}

TEST_F(DressedProgram, ShowsItsIconVersionAndNameToWindowsAndStillPlaysItsMovie) {
  for (const Task task : {Task::PackProjector, Task::PackScreenSaver}) {
    SCOPED_TRACE(stubName(task));
    Job job{task,   movie("intro.swf"), path(std::string("app\\") + stubName(task)), {}, nullptr,
            nullptr};
    job.options = options_;
    ASSERT_EQ(convert(job).outcome, Outcome::Written);
    const std::wstring packed = fromCodePage(targetOf(job), CP_UTF8);

    EXPECT_EQ(ExtractIconExW(packed.c_str(), -1, nullptr, nullptr, 0), 1u);
    HICON large = nullptr;
    ASSERT_EQ(ExtractIconExW(packed.c_str(), 0, &large, nullptr, 1), 1u);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(large, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(colour.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(large);

    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeW(packed.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoW(packed.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    EXPECT_EQ(versionString(block, L"ProductName"), L"Sky Runner");
    EXPECT_EQ(versionString(block, L"FileVersion"), L"1.2.3.4");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);

    // The name a screen saver is listed by, and the title the stub reads.
    const HMODULE module = LoadLibraryExW(
        packed.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    wchar_t name[64] = {};
    LoadStringW(module, 1, name, 64);
    EXPECT_EQ(std::wstring(name), L"Sky Runner \x2014 the game");
    EXPECT_NE(FindResourceW(module, L"GAME", MAKEINTRESOURCEW(10)), nullptr);
    FreeLibrary(module);

    // It runs, and hands its movie out whole.
    EXPECT_EQ(runToEnd(quoted(targetOf(job)) + " /x " + quoted(movie("out.swf")), ""), 0u);
    EXPECT_EQ(test::readBytes(movies_ / "out.swf"), movie_);
  }
}

TEST_F(DressedProgram, CarriesTheChecksumWindowsComputes) {
  const test::Bytes stub = this->stub("Player.exe");
  const std::string dressed = dressedStub(std::string(stub.begin(), stub.end()),
                                          path("app\\Player.exe"), options_, FileRules::Windows);
  test::writeBytes(dir_ / "dressed.exe", test::Bytes(dressed.begin(), dressed.end()));
  DWORD header = 0;
  DWORD computed = 0;
  ASSERT_EQ(
      MapFileAndCheckSumW(fromCodePage(path("dressed.exe"), CP_UTF8).c_str(), &header, &computed),
      CHECKSUM_SUCCESS);
  EXPECT_EQ(header, computed);
}

}  // namespace
}  // namespace pravix::e2e
