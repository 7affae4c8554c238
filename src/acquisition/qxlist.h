#pragma once
// The source list as the interlocks see it: the first digital input, digital output, analogue
// input or analogue output with a given channel. Analogue outputs are found by their sheet
// channel n (they keep -(n+1)).

#include <vector>

#include <QString>

#include "acquisition/condition.h"

class TQXSource;
class TQXDigitalInputSource;
class TQXDigitalOutputSource;
class TQXAnalogueInputSource;
class TQXAnalogueOutputSource;

class TQXList {
 public:
  explicit TQXList(const std::vector<TQXSource*>& sources) : FSources(sources) {}
  // The sources of the loaded rig (none while no rig is loaded).
  static TQXList Loaded();

  TQXDigitalInputSource* FindDI(int channel) const;
  TQXDigitalOutputSource* FindDO(int channel) const;
  TQXAnalogueInputSource* FindAI(int channel) const;
  TQXAnalogueOutputSource* FindAO(int channel) const;
  // By kind; null when the rig has no such source.
  TQXSource* Find(TTypeObserved type, int channel) const;
  // The message of a failed look-up.
  static QString NotFoundText(TTypeObserved type, int channel);

 private:
  template <class T>
  T* First(int channel) const;
  const std::vector<TQXSource*>& FSources;
};
