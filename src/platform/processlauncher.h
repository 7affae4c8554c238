#pragma once

#include "platform/iprogramlauncher.h"

// Starts programs detached from Quorlex, so they outlive it.
class TProcessLauncher : public IProgramLauncher {
 public:
  bool Start(const QString& program, const QStringList& arguments, const QString& workingDir) override;
  // Through the desktop's opener (xdg-open on a Linux desktop).
  bool OpenDocument(const QString& file) override;
};
