// Files replaced whole: through links, keeping their mode, leaving nothing beside them.
#include "files/replace_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string Text(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReplaceFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("replace-file-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(ReplaceFileTest, ReplacesWholeKeepsModeAndLinksLeavesNothingBeside) {
  const fs::path file = folder_ / "view.json";
  ReplaceFile(file.string(), "first");
  EXPECT_EQ(Text(file), "first");
  chmod(file.c_str(), 0600);
  const fs::path link = folder_ / "link.json";
  fs::create_symlink("view.json", link);
  ReplaceFile(link.string(), "second, longer than the first");
  EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
  EXPECT_EQ(Text(file), "second, longer than the first");
  struct stat status {};
  stat(file.c_str(), &status);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2) << "no temporary left";
}

TEST_F(ReplaceFileTest, RefusesFoldersAndMissingFoldersInOneLine) {
  EXPECT_THROW(ReplaceFile(folder_.string(), "x"), ReplaceFileError);
  try {
    ReplaceFile((folder_ / "missing" / "v.json").string(), "x");
    FAIL() << "written into a missing folder";
  } catch (const ReplaceFileError& error) {
    EXPECT_STREQ(error.what(), "cannot write: No such file or directory");
  }
}

TEST_F(ReplaceFileTest, LeavesAFileItMayNotWriteAsItIs) {
  // As a user without root's override (root may write any file).
  fs::permissions(folder_, fs::perms::all);
  const fs::path file = folder_ / "kept.png";
  std::ofstream(file) << "kept";
  chmod(file.c_str(), 0444);
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && setuid(65534) != 0) _exit(3);
    try {
      ReplaceFile(file.string(), "replaced");
      _exit(1);
    } catch (const ReplaceFileError& error) {
      _exit(std::string(error.what()) == "cannot write: Permission denied" ? 0 : 2);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: replaced, 2: another reason, 3: could not drop root";
  EXPECT_EQ(Text(file), "kept");
}

}  // namespace
