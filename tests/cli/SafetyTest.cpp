// `pravix` and the files of others: signals during a write, targets that appear meanwhile, runs
// side by side, locks it neither takes nor meets, links, devices, pipes, standard output that
// fails or is the source, and the modes of what it writes. Races are set up through standard
// input, which the test feeds and closes when it likes: nothing waits on the clock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/Handle.h"
#include "tests/TestSupport.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::patternBytes;
using test::projectorBytes;
using test::readBytes;
using test::RunningTool;
using test::snapshot;
using test::ToolRun;
using test::writeBytes;

const Bytes kStub = patternBytes(700, 3);
const Bytes kMovie = patternBytes(1000, 4);
const Bytes kOther = patternBytes(2000, 5);

mode_t modeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

class Safety : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(dir_ / "stub.bin", kStub);
    writeBytes(dir_ / "a.swf", kMovie);
  }
  ToolRun run(const std::vector<std::string>& arguments) { return test::runTool(dir_, arguments); }
  // The unfinished results in the folder.
  size_t unfinished() const {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      count += entry.path().filename().string().rfind("~pravix", 0) == 0 ? 1 : 0;
    }
    return count;
  }
  // `pravix pack -` onto `target`, fed `movie` and left waiting for the rest.
  std::unique_ptr<RunningTool> packFromInput(const std::string& target, const Bytes& movie,
                                             size_t unfinishedThen) {
    auto tool = std::make_unique<RunningTool>(
        dir_, std::vector<std::string>{"pack", "-", "-o", target, "--stub", "stub.bin"});
    tool->write(movie);
    EXPECT_TRUE(test::eventually([&] { return unfinished() == unfinishedThen; }));
    return tool;
  }
};

class Signals : public Safety, public ::testing::WithParamInterface<int> {};

TEST_P(Signals, DuringAWriteRemoveTheUnfinishedFileAndEndTheRun) {
  const auto before = snapshot(dir_);
  const auto tool = packFromInput("t.exe", kMovie, 1);
  tool->signal(GetParam());
  const ToolRun ran = tool->wait();
  EXPECT_EQ(ran.exitCode, 128 + GetParam());
  EXPECT_EQ(snapshot(dir_), before);
}

INSTANTIATE_TEST_SUITE_P(Cli, Signals, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(Safety, ATargetThatAppearsDuringTheWriteIsKept) {
  const auto tool = packFromInput("t.exe", kMovie, 1);
  writeBytes(dir_ / "t.exe", {7});
  tool->closeInput();
  const ToolRun ran = tool->wait();
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: t.exe: exists; --force replaces it\n");
  EXPECT_EQ(readBytes(dir_ / "t.exe"), Bytes{7});
  EXPECT_EQ(unfinished(), 0u);
}

TEST_F(Safety, OfTwoRunsOntoOneNewTargetTheFirstToEndWinsAndTheOtherIsRefused) {
  const auto first = packFromInput("t.exe", kMovie, 1);
  const auto second = packFromInput("t.exe", kOther, 2);
  first->closeInput();
  EXPECT_EQ(first->wait().exitCode, 0);
  second->closeInput();
  const ToolRun ran = second->wait();
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: t.exe: exists; --force replaces it\n");
  EXPECT_EQ(readBytes(dir_ / "t.exe"), projectorBytes(kStub, kMovie));
  EXPECT_EQ(unfinished(), 0u);
}

TEST_F(Safety, NoLockIsTakenOrMet) {
  // Another program's exclusive locks on the source and the target, as flock takes them.
  writeBytes(dir_ / "a.exe", {1});
  const FileHandle source(::open((dir_ / "a.swf").c_str(), O_RDONLY | O_CLOEXEC));
  const FileHandle target(::open((dir_ / "a.exe").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(source.get(), LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(::flock(target.get(), LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(run({"pack", "-f", "a.swf", "--stub", "stub.bin"}).exitCode, 0);
  EXPECT_EQ(run({"info", "a.exe"}).exitCode, 0);
  EXPECT_EQ(run({"extract", "a.exe", "-o", "b.swf"}).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "b.swf"), kMovie);
}

TEST_F(Safety, ALinkedTargetIsReplacedThroughTheLinkWhichStays) {
  writeBytes(dir_ / "real.exe", {1});
  fs::create_symlink("real.exe", dir_ / "link.exe");
  ToolRun ran = run({"pack", "a.swf", "--stub", "stub.bin", "-o", "link.exe"});
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: link.exe: exists; --force replaces it\n");
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin", "-fo", "link.exe"}).exitCode, 0);
  EXPECT_EQ(fs::read_symlink(dir_ / "link.exe"), "real.exe");
  EXPECT_EQ(readBytes(dir_ / "real.exe"), projectorBytes(kStub, kMovie));

  // A link to nothing yet names the file to make.
  fs::create_directory(dir_ / "sub");
  fs::create_symlink("sub/made.exe", dir_ / "dangling.exe");
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin", "-o", "dangling.exe"}).exitCode, 1);
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin", "-fo", "dangling.exe"}).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "sub/made.exe"), projectorBytes(kStub, kMovie));
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.exe"));
}

TEST_F(Safety, DevicesAndPipesAreWrittenWhereTheyStand) {
  ToolRun ran = run({"pack", "a.swf", "--stub", "stub.bin", "-o", "/dev/null"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err, "");
  ran = run({"pack", "a.swf", "--stub", "stub.bin", "-o", "/dev/stdout"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(Bytes(ran.out.begin(), ran.out.end()), projectorBytes(kStub, kMovie));

  // With a reader already there, the write does not wait; the pipe holds the whole result.
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0644), 0);
  const FileHandle reader(::open((dir_ / "pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin", "-o", "pipe"}).exitCode, 0);
  Bytes read(kStub.size() + kMovie.size() + 100);
  read.resize(static_cast<size_t>(::read(reader.get(), read.data(), read.size())));
  EXPECT_EQ(read, projectorBytes(kStub, kMovie));
}

TEST_F(Safety, StandardOutputThatFailsOrIsTheSourceIsTold) {
  writeBytes(dir_ / "p.exe", projectorBytes(kStub, kMovie));
  const auto before = snapshot(dir_);
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"info", "a.swf"}, {"extract", "p.exe", "-o", "-"}, {"--version"}}) {
    RunningTool full(dir_, arguments, "/dev/full");
    const ToolRun ran = full.wait();
    EXPECT_EQ(ran.exitCode, 2);
    EXPECT_EQ(ran.err, "pravix: standard output: No space left on device\n");
  }
  RunningTool appended(dir_, {"extract", "p.exe", "-o", "-"}, "p.exe");
  const ToolRun ran = appended.wait();
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: p.exe: is both the source and the target\n");
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Safety, APipeIsPackedOntoStandardOutput) {
  RunningTool tool(dir_, {"pack", "-", "-o", "-", "--stub", "stub.bin", "-s"});
  tool.write(kMovie);
  tool.closeInput();
  const ToolRun ran = tool.wait();
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(Bytes(ran.out.begin(), ran.out.end()), test::screenSaverBytes(kStub, kMovie));
}

TEST_F(Safety, AProjectorRunsWhereItsStubRunsAndAReplacedFileKeepsItsMode) {
  const mode_t mask = currentUmask();
  fs::permissions(dir_ / "stub.bin", static_cast<fs::perms>(0750));
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin"}).exitCode, 0);
  // A new file's read and write bits, and the stub's execute bits.
  EXPECT_EQ(modeOf(dir_ / "a.exe"), (0666u | 0110u) & ~mask);
  EXPECT_EQ(run({"extract", "a.exe", "-o", "back.swf"}).exitCode, 0);
  EXPECT_EQ(modeOf(dir_ / "back.swf"), 0666u & ~mask);

  // A read-only file goes where its folder allows, as `mv -f` lets it.
  writeBytes(dir_ / "old.exe", {1});
  fs::permissions(dir_ / "old.exe", static_cast<fs::perms>(0440));
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin", "-o", "old.exe", "-f"}).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "old.exe"), projectorBytes(kStub, kMovie));
  EXPECT_EQ(modeOf(dir_ / "old.exe"), 0440u);
}

}  // namespace
}  // namespace pravix
