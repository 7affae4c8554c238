#pragma once
// What the logger panel shows and reads in the main window: the sampling state on the sample
// button, menu and status bar, the commands it enables, and the main window's sample interval.

#include <QString>

class ILoggerHost {
 public:
  static constexpr int ImageStop = 16;
  static constexpr int ImageGo = 17;

  virtual ~ILoggerHost() = default;
  virtual void SetSampleMode(int mode) = 0;
  virtual void SetSampleStatus(const QString& text) = 0;
  virtual void UpdateStatusBar() = 0;
  // Caption of the sample tool button and menu item, and the button's image.
  virtual void SetSampleButton(const QString& caption, int image) = 0;
  virtual bool SampleNowEnabled() const = 0;
  virtual void SetSampleNowEnabled(bool on) = 0;
  virtual void SetNextResultsEnabled(bool on) = 0;
  virtual void SetConfigureEnabled(bool on) = 0;
  virtual void SetGaugeCommandsEnabled(bool on) = 0;
  virtual int SampleInterval() const = 0;
  virtual void SetSampleInterval(int ms) = 0;
};
