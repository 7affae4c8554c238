#pragma once
// The one QApplication a benchmark program of windows needs, created on first use, offscreen
// unless a platform is chosen.

#include <memory>

#include <QApplication>

inline void EnsureApplication() {
  static std::unique_ptr<QApplication> app;
  if (app) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "quorlex_bench";
  static char* argv[] = {name, nullptr};
  app = std::make_unique<QApplication>(argc, argv);
}
