#pragma once
// One finished oscilloscope capture as the results table takes it: the sample delay value (the
// interval in microseconds less 255), the two input channels and their samples in signed counts.

#include <vector>

struct TScopeRun {
  int SampleInterval = 0;
  int ChannelOne = -1, ChannelTwo = -1;
  std::vector<int> Ch1, Ch2;
};
