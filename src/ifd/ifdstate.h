#pragma once
// The interface facade's fields that both paths (the legacy driver and the serial cards) read and
// write: channels in use and their smoothed values, digital lines, outputs, frequency measurement
// and the open state. The facade is built on it; the path classes work on it.

#include <array>
#include <cstdint>

#include <QString>

#include "ifd/serial/ifdinputmode.h"

struct TIFDState {
  static constexpr const char* InvalidChannelText = "Invalid channel number - please check data spreadsheet.";
  static constexpr int MainChannels = 33;  // 0..32 registered
  static constexpr int ChannelValues = 34;  // 0..33 (32 and 33: the two frequency counts)
  static constexpr int DigitalLines = 16;

  std::array<bool, MainChannels> MainChannelInUse{};
  std::array<bool, MainChannels> ExpnChannelInUse{};
  std::array<std::int16_t, ChannelValues> MainChannelValue{};
  std::array<std::int16_t, ChannelValues> ExpnChannelValue{};
  std::array<int, DigitalLines> DigitalInputs{};
  std::array<int, DigitalLines> DigitalOutputs{};
  std::array<std::uint8_t, DigitalLines> DigitalExitValues{};
  std::array<int, 4> AnalogueOutputs{};
  int Dac1Value = 0, Dac2Value = 0;
  int FilterWeight = 1;
  int Interval = 1000;
  bool Multiplexing = false;
  int MaximumFrequency = 0;
  int Frequency = 0, Frequency1 = 0, Frequency2 = 0;
  bool CollectingFrequency = false, CollectingFrequency1 = false, CollectingFrequency2 = false;
  int NextChannel = 1;
  bool WatchdogState = false;
  QString IFDStatus = QStringLiteral("Closed");
  bool PortsOpen = false, MainPortIsOpen = false, ExpnPortIsOpen = false;
  std::uint8_t MainDevice = 2, ExpnDevice = 2;
  bool GettingBurst = false;
  // The last legacy burst capture: sample k of each channel at index k, signed counts.
  static constexpr int BurstSamples = 2000;
  std::array<int, BurstSamples> Ch1Vals{}, Ch2Vals{};
  bool FLegIOActive = true;
  bool FvComIOActive = false;

  // Process-wide output images shared by every facade.
  static inline std::uint16_t DigitalOutputShadow = 0;     // bit n = line n
  static inline std::uint16_t ExpansionOutputShadow = 0;   // bits 0-7 = lines 8-15 (legacy)
  static inline std::array<std::int16_t, 4> AnalogueOutputShadow{};

  // The bits of `mask` in `image` switched on or off.
  static void SetBits(std::uint16_t& image, std::uint16_t mask, bool on);
  // The output images with their low bytes taken from the exit values (lines 0-7 for the main
  // image, 8-15 for the expansion image); the high bytes are kept.
  std::uint16_t MainShadowFromExitValues() const;
  std::uint16_t ExpansionShadowFromExitValues() const;
  // One smoothing step of an input: `current` moved 1/`weight` of the way to `reading`, rounded
  // halves to even. A weight below 1 counts as 1.
  static std::int64_t Smoothed(int current, int reading, int weight);

  // ---- which readings belong to the current sample ----
  // A reading of analogue input i (0-31) of the main card (expansion false) or of the expansion or
  // slave card: the first one after start-up or a lost card seeds the filter, later ones smooth.
  // The input counts as read for the sample being gathered.
  void TakeReading(bool expansion, int i, int reading);
  // Closes the sample being gathered: the inputs read since the last call are the ones the
  // sample holds; every other input has no value for it. Called once per sample step.
  void EndSampleWindow();
  // A value of `channel` arrived for the current sample. A frequency count (32, 33) is an ongoing
  // measurement: it counts from its arrival until its channel's next request goes unanswered.
  bool ReadingAvailable(int channel) const;
  // The card's inputs start again from their next reading (the card was lost or changed mode);
  // for the main card its frequency counts too.
  void ForgetReadings(bool expansion);
  // Readings arrived for the sample being gathered: an analogue input's, or with `digital` a
  // digital input's too.
  bool ReadingsArrived(bool digital) const;
  // Digital input `line` (0-15) read as `state` (0 or 1) for the sample being gathered.
  void TakeDigitalInput(int line, int state);
  // A state of digital input `line` arrived for the current sample.
  bool DigitalInputAvailable(int line) const;
  // A frequency count arrived into MainChannelValue[channel] (32 or 33), or its request went
  // unanswered (`arrived` false).
  void NoteFrequency(int channel, bool arrived);
  // Registered analogue inputs (0-15, 100-115) without a value for the current sample, and how
  // many are registered.
  int MissingReadings(bool expansion) const;
  int RegisteredInputs(bool expansion) const;

 private:
  static constexpr int ReadableInputs = 32;  // 0-31 and 100-131
  std::array<bool, ReadableInputs> FMainArrived{}, FExpnArrived{};
  std::array<bool, ReadableInputs> FMainAvailable{}, FExpnAvailable{};
  std::array<bool, ReadableInputs> FMainSeeded{}, FExpnSeeded{};
  std::array<bool, DigitalLines> FDigitalArrived{}, FDigitalAvailable{};
  std::array<bool, 2> FFrequencyHeld{};  // channels 32 and 33
};
