#include "platform/temp_folder_linux.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "platform/windows_temp_folder.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

// Reports a fixed folder (ASCII, so bytes are characters) and answers file requests with a fixed path.
class ScriptedTempFolder : public TempFolder {
 public:
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::string& buffer) override {
    const auto length = static_cast<std::uint32_t>(folder.size());
    if (length + 1 > bufferLength) return length + 1;
    buffer.replace(0, length + 1, folder + '\0');
    return length;
  }
  std::uint32_t GetTempFileNameA(const std::string& pathName, const std::string& prefix, std::uint32_t,
                                 std::string& buffer) override {
    asked = pathName + "|" + prefix;
    if (file.empty()) return 0;
    buffer.replace(0, file.size() + 1, file + '\0');
    return 1;
  }
  std::string folder, file, asked;
};

TEST(MWindowsTempFolder, EndsTheFolderWithTheSeparatorAndPassesFailuresOn) {
  const std::string long_folder = "/" + std::string(98, 'a');  // with its NUL, exactly the buffer
  const struct {
    const char* label;
    std::string folder, file;
    Variant prefix;
    std::string expected_folder, expected_file, expected_asked;
  } kCases[] = {
      {"separator kept", "/var/tmp/", "/var/tmp/qv1.tmp", "qv", "/var/tmp/", "/var/tmp/qv1.tmp", "/var/tmp/|qv"},
      {"separator added", "/var/tmp", "/var/tmp/421.tmp", 42, "/var/tmp/", "/var/tmp/421.tmp", "/var/tmp/|42"},
      {"nothing reported", "", "/1.tmp", Variant(), "/", "/1.tmp", "/|"},
      {"99 characters fit", long_folder, "x", "p", long_folder + "/", "x", long_folder + "/|p"},
      {"100 characters do not fit", long_folder + "b", "x", "p", "/", "x", "/|p"},
      {"file not made", "/tmp/", "", "p", "/tmp/", "", "/tmp/|p"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ScriptedTempFolder folder;
    folder.folder = c.folder;
    folder.file = c.file;
    EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(folder), Variant(c.expected_folder));
    EXPECT_EQ(MWindowsTempFolder::CreateTempFileName(folder, c.prefix), Variant(c.expected_file));
    EXPECT_EQ(folder.asked, c.expected_asked);
  }
}

// Draws names from a script, so that a test can take them first.
class PredictableTempFolder : public SystemTempFolder {
 public:
  explicit PredictableTempFolder(std::vector<std::uint32_t> numbers) : numbers_(std::move(numbers)) {}

 protected:
  std::uint32_t NextUniqueNumber() override { return numbers_[next_++ % numbers_.size()]; }

 private:
  std::vector<std::uint32_t> numbers_;
  std::size_t next_ = 0;
};

class SystemTempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-temp-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    if (const char* value = std::getenv("TMPDIR")) saved_ = value;
    setenv("TMPDIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_) {
      setenv("TMPDIR", saved_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    fs::remove_all(folder_);
  }

  fs::path folder_;
  std::optional<std::string> saved_;
};

TEST_F(SystemTempFolderTest, ReportsTmpdirWhenAbsolute) {
  static constexpr struct {
    const char* tmpdir;  // null: unset
    const char* folder;
    std::uint32_t characters;
  } kCases[] = {
      {nullptr, "/tmp/", 5}, {"", "/tmp/", 5}, {"relative/dir", "/tmp/", 5},
      {"/var/x", "/var/x/", 7}, {"/var/x/", "/var/x/", 7}, {"/var/été", "/var/été/", 9},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tmpdir ? c.tmpdir : "unset");
    c.tmpdir ? setenv("TMPDIR", c.tmpdir, 1) : unsetenv("TMPDIR");
    SystemTempFolder folder;
    std::string buffer(c.characters, '#');
    EXPECT_EQ(folder.GetTempPathA(c.characters, buffer), c.characters + 1) << "no room for the NUL";
    EXPECT_EQ(buffer, std::string(c.characters, '#'));
    buffer = std::string(100, '#');
    EXPECT_EQ(folder.GetTempPathA(c.characters + 1, buffer), c.characters);
    EXPECT_EQ(buffer.substr(0, buffer.find('\0')), c.folder);
  }
}

TEST_F(SystemTempFolderTest, CreatesNewPrivateEmptyFilesNamedByThePrefix) {
  const mode_t umask_before = umask(0277);  // the mode must not depend on the umask
  SystemTempFolder folder;
  std::set<fs::path> made;
  for (const auto& [prefix, start] : {std::pair{"quorvel", "quo"}, {"quorvel", "quo"}, {"éàüx", "éàü"}, {"", ""}}) {
    const fs::path path = TextForm(MWindowsTempFolder::CreateTempFileName(folder, prefix));
    SCOPED_TRACE(path);
    made.insert(path);
    EXPECT_EQ(path.parent_path(), folder_);
    EXPECT_EQ(path.filename().string().size(), std::string(start).size() + 12) << "3 characters, 8 digits, .tmp";
    EXPECT_TRUE(path.filename().string().starts_with(start));
    EXPECT_EQ(path.extension(), ".tmp");
    struct stat status {};
    ASSERT_EQ(lstat(path.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(status.st_size, 0);
  }
  umask(umask_before);
  EXPECT_EQ(made.size(), 4u);

  std::string buffer(kMaxPath, '\0');
  EXPECT_EQ(folder.GetTempFileNameA(folder_.string(), "q", 0xABCD, buffer), 0xABCDu);
  EXPECT_EQ(buffer.substr(0, buffer.find('\0')), (folder_ / "q0000ABCD.tmp").string());
  EXPECT_FALSE(fs::exists(folder_ / "q0000ABCD.tmp")) << "a given number only makes a name";
}

TEST_F(SystemTempFolderTest, FailsWithoutTouchingTheBuffer) {
  static const struct {
    const char* label;
    std::string path, prefix;
  } kCases[] = {
      {"slash in the prefix", "", "a/b"},
      {"folder missing", "missing", "q"},
      {"path longer than 260 characters", std::string(240, 'd'), "q"},
      {"no folder given", "-", "q"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    SystemTempFolder folder;
    std::string buffer(kMaxPath, '#');
    const std::string path = c.path == "-" ? "" : (folder_ / c.path).string();
    EXPECT_EQ(folder.GetTempFileNameA(path, c.prefix, 0, buffer), 0u);
    EXPECT_EQ(buffer, std::string(kMaxPath, '#'));
  }
  EXPECT_EQ(fs::directory_iterator(folder_), fs::directory_iterator()) << "nothing was created";
}

TEST_F(SystemTempFolderTest, NeverFollowsAPlantedLink) {
  std::ofstream(folder_ / "secret") << "keep";
  fs::create_symlink(folder_ / "victim", folder_ / "q00000001.tmp");  // dangling: O_CREAT alone would make victim
  fs::create_symlink(folder_ / "secret", folder_ / "q00000002.tmp");
  PredictableTempFolder folder({1, 2, 0, 3});
  std::string buffer(kMaxPath, '\0');
  EXPECT_EQ(folder.GetTempFileNameA(folder_.string() + "/", "q", 0, buffer), 3u);
  EXPECT_EQ(buffer.substr(0, buffer.find('\0')), (folder_ / "q00000003.tmp").string());
  EXPECT_FALSE(fs::exists(folder_ / "victim"));
  EXPECT_EQ(fs::file_size(folder_ / "secret"), 4u);
  EXPECT_TRUE(fs::is_symlink(folder_ / "q00000001.tmp"));

  PredictableTempFolder stuck({2});
  std::string untouched(kMaxPath, '#');
  EXPECT_EQ(stuck.GetTempFileNameA(folder_.string(), "q", 0, untouched), 0u) << "the retries are bounded";
  EXPECT_EQ(untouched, std::string(kMaxPath, '#'));
}

}  // namespace
}  // namespace quorvel::platform
