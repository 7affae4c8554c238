#include "platform/largepages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__linux__) && defined(__GLIBC__)
#include <gnu/libc-version.h>
#include <limits.h>
#include <sys/auxv.h>
#include <unistd.h>
#endif

namespace {
constexpr char Tunable[] = "glibc.malloc.hugetlb";

#if defined(__linux__) && defined(__GLIBC__)
std::string KernelSetting() {
  std::string text;
  if (FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r")) {
    char line[128] = {};
    if (std::fgets(line, sizeof line, f)) text = line;
    std::fclose(f);
  }
  return text;
}

// The tunable came with C library 2.35; an older one would ignore it and be started for nothing.
bool LibraryKnowsTunable() {
  int major = 0, minor = 0;
  return std::sscanf(gnu_get_libc_version(), "%d.%d", &major, &minor) == 2 && (major > 2 || (major == 2 && minor >= 35));
}
#endif
}  // namespace

std::optional<std::string> TLargePages::TunablesWith(const char* current) {
  const std::string now = current ? current : "";
  if (now.find(Tunable) != std::string::npos) return std::nullopt;
  return (now.empty() ? std::string() : now + ":") + Tunable + "=1";
}

bool TLargePages::KernelGivesThemWhenAsked(const std::string& enabledSetting) {
  // "always" gives them without asking, "never" not at all.
  return enabledSetting.find("[madvise]") != std::string::npos;
}

void TLargePages::Adopt(char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
  // A privileged start drops GLIBC_TUNABLES, so starting again would never end.
  if (!argv || !argv[0] || getauxval(AT_SECURE)) return;
  const char* current = std::getenv("GLIBC_TUNABLES");
  const std::optional<std::string> wanted = TunablesWith(current);
  if (!wanted || !LibraryKnowsTunable() || !KernelGivesThemWhenAsked(KernelSetting())) return;
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return;
  self[length] = '\0';
  const std::string previous = current ? current : "";
  if (setenv("GLIBC_TUNABLES", wanted->c_str(), 1) != 0) return;
  execv(self, argv);
  // Still here: the program runs on with small pages, and its children get the environment it had.
  if (current) setenv("GLIBC_TUNABLES", previous.c_str(), 1);
  else unsetenv("GLIBC_TUNABLES");
#else
  (void)argv;
#endif
}
