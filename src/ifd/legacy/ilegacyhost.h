#pragma once
// What the legacy path shows in the main window: status texts (panel 3 main card, panel 4
// expansion card) and the serial tools, which are off while a legacy card is open.

#include <QString>

class ILegacyHost {
 public:
  virtual ~ILegacyHost() = default;
  virtual void SetStatusPanel(int panel, const QString& text) = 0;
  virtual void SetVComToolsOn() = 0;
  virtual void SetVComToolsOff() = 0;
};
