// The fixture the end-to-end tests share: a copy of the program and its stubs in a folder of its
// own, a movie folder with a blank in its name, and the bytes a packed file must hold.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"

namespace pravix::e2e {

using test::projectorBytes;
using test::screenSaverBytes;

inline std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// A message box of the program: the title as caption, `text`, one OK, and the error icon or none.
// Pressed away afterwards.
inline void expectBox(HWND box, const std::string& text, bool errorIcon) {
  ASSERT_NE(box, nullptr) << "no message box for \"" << text << "\"";
  const MessageBoxContents contents = readMessageBox(box);
  pressOk(box);
  EXPECT_EQ(contents.caption, "Pravix 2.0");
  EXPECT_EQ(contents.text, text);
  EXPECT_EQ(contents.hasIcon, errorIcon);
  EXPECT_EQ(contents.buttons, std::vector<std::string>{"OK"});
}

class ProgramFolderTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    const std::filesystem::path bin = windowsPath(PRAVIX_TEST_BIN_DIR);
    std::filesystem::create_directory(dir_ / "app");
    for (const char* name : {"Pravix.exe", "Player.exe", "Quendel.dll"}) {
      std::filesystem::copy_file(bin / name, dir_ / "app" / name);
    }
    movies_ = dir_ / "My Movies";
    std::filesystem::create_directory(movies_);
    test::writeBytes(movies_ / "intro.swf", movie_);
  }

  // The command line that starts the copy of the program with `arguments`.
  std::string pravix(const std::string& arguments) const {
    return quoted(path("app\\Pravix.exe")) + (arguments.empty() ? "" : " " + arguments);
  }
  test::Bytes stub(const char* name) const { return test::readBytes(dir_ / "app" / name); }
  std::string movie(const std::string& name) const { return (movies_ / name).string(); }

  // A movie's signature, so that either stub takes it for one, then bytes that differ from place to
  // place.
  const test::Bytes movie_ = test::movieStart("FWS", test::patternBytes(149992, 42));
  std::filesystem::path movies_;
};

// The copy of the program started without arguments, its main window up; ended with the test.
class ProgramWindowTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    program_ = std::make_unique<Process>(pravix(""), "");
    main_ = waitForWindow(program_->id(), "TMainForm");
    ASSERT_NE(main_, nullptr);
  }

  void TearDown() override {
    program_.reset();
    ProgramFolderTest::TearDown();
  }

  std::unique_ptr<Process> program_;
  HWND main_ = nullptr;
};

}  // namespace pravix::e2e
