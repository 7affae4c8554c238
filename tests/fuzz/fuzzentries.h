#pragma once
// One entry per parser of outside data, each taking any bytes: the libFuzzer programs call them
// (QUORLEX_FUZZ builds, scripts/fuzz) and the corpus test replays the seed files through them.
// An entry may only return; every refusal must be an orderly one (a caught EWorkbookError, a
// false result), anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TFuzzEntries {
 public:
  using TEntry = void (*)(const std::uint8_t* data, std::size_t size);
  struct TTarget { const char* Name; TEntry Run; };
  static const std::vector<TTarget>& Targets();
  static TEntry Find(const std::string& name);

  static void Xlsx(const std::uint8_t* data, std::size_t size);
  static void Ods(const std::uint8_t* data, std::size_t size);
  static void Vts(const std::uint8_t* data, std::size_t size);
  static void Text(const std::uint8_t* data, std::size_t size);
  static void Formula(const std::uint8_t* data, std::size_t size);
  static void Ini(const std::uint8_t* data, std::size_t size);
  static void SerialReply(const std::uint8_t* data, std::size_t size);
  static void LegacyAnswer(const std::uint8_t* data, std::size_t size);
};
