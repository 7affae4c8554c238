#pragma once
// Large pages for the heap. Reading a big workbook touches a hundred megabytes of fresh memory,
// and on a virtual machine the first touch of every 4 KiB page costs the kernel microseconds: a
// third of the time of reading such a file went there. The C library backs its heap with the
// kernel's transparent huge pages when its "glibc.malloc.hugetlb" tunable asks for them, but it
// reads its tunables only when a program starts, so a program that wants them starts itself once
// more with the tunable set. Setting GLIBC_TUNABLES with any value of that tunable (0 to refuse)
// keeps the program as it was started, e.g. under a debugger or a profiler.

#include <optional>
#include <string>

class TLargePages {
 public:
  // First thing in main(), before threads start. Returns when the program runs on: with large
  // pages, or where they cannot be had (another system, no kernel support, the tunable already
  // chosen, or the program could not start itself again).
  static void Adopt(char** argv);

  // GLIBC_TUNABLES asking for large pages and keeping the other tunables in `current`; nothing
  // when `current` already chooses either way.
  static std::optional<std::string> TunablesWith(const char* current);

  // True when the kernel gives huge pages to memory that asks for them, and only then.
  static bool KernelGivesThemWhenAsked(const std::string& enabledSetting);
};
