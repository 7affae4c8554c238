// Large pages: the program starts itself again once with the C library told to back its heap with
// them, keeps every other tunable it was given, and never overrides a choice already made.
#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/largepages.h"
#include "support/tempfolder.h"

namespace {
constexpr char ProbeVariable[] = "QUORLEX_LARGE_PAGES_PROBE";

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(LargePages, TheTunableJoinsOthersAndAChoiceMadeStands) {
  EXPECT_EQ(TLargePages::TunablesWith(nullptr), "glibc.malloc.hugetlb=1");
  EXPECT_EQ(TLargePages::TunablesWith(""), "glibc.malloc.hugetlb=1");
  EXPECT_EQ(TLargePages::TunablesWith("glibc.malloc.arena_max=2"), "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
  EXPECT_EQ(TLargePages::TunablesWith("glibc.malloc.hugetlb=0"), std::nullopt);
  EXPECT_EQ(TLargePages::TunablesWith("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"), std::nullopt);

  EXPECT_TRUE(TLargePages::KernelGivesThemWhenAsked("always [madvise] never\n"));
  EXPECT_FALSE(TLargePages::KernelGivesThemWhenAsked("[always] madvise never\n"));
  EXPECT_FALSE(TLargePages::KernelGivesThemWhenAsked("always madvise [never]\n"));
  EXPECT_FALSE(TLargePages::KernelGivesThemWhenAsked(""));
}

// Run only as the program started again by the next test: it tells what it was started with.
TEST(LargePages, ProbeTellsItsTunables) {
  const char* out = std::getenv(ProbeVariable);
  if (!out) GTEST_SKIP() << "run by StartsItselfAgainOnceWithTheTunable";
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  std::ofstream(out) << (tunables ? tunables : "(none)");
}

TEST(LargePages, StartsItselfAgainOnceWithTheTunable) {
  if (!TLargePages::KernelGivesThemWhenAsked(ReadFile("/sys/kernel/mm/transparent_hugepage/enabled")))
    GTEST_SKIP() << "this kernel does not give huge pages on request";
  TTempFolder tmp;
  const QByteArray report = tmp.File("tunables").toLocal8Bit();
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = '\0';
  char filter[] = "--gtest_filter=LargePages.ProbeTellsItsTunables";
  char* argv[] = {self, filter, nullptr};
  for (const char* given : {static_cast<const char*>(nullptr), "glibc.malloc.arena_max=3", "glibc.malloc.hugetlb=0"}) {
    QFile::remove(QString::fromLocal8Bit(report));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv(ProbeVariable, report.constData(), 1);
      if (given) setenv("GLIBC_TUNABLES", given, 1);
      else unsetenv("GLIBC_TUNABLES");
      TLargePages::Adopt(argv);
      _exit(42);  // not started again
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (given && std::string(given).find("hugetlb") != std::string::npos) {
      // The user's choice: the program runs on as it was started.
      EXPECT_EQ(WEXITSTATUS(status), 42);
      EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(report)));
      continue;
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "started again: " << (given ? given : "no tunables");
    EXPECT_EQ(ReadFile(report.constData()), given ? std::string(given) + ":glibc.malloc.hugetlb=1" : "glibc.malloc.hugetlb=1");
  }
}
