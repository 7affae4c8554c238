#pragma once
// The demo rig against the card simulator, ready to record: its oscilloscope is off (with it on,
// GO and Sample Now would take a capture instead), the program is started on exercise 1 and the
// tank's first live value has arrived.

#include <gtest/gtest.h>

#include <memory>

#include "acquisition/qxloggerpanel.h"
#include "shell/master.h"
#include "support/demosimulator.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

class DemoRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
    ASSERT_TRUE(sim.OscilloscopeOff());
    QString why;
    master = sim.StartDemo(prompts, why);
    ASSERT_TRUE(master) << why.toStdString();
    logger = master->Diagram()->Logger();
    ASSERT_NE(logger, nullptr);
  }

  TTempFolder tmp;
  TDemoSimulator sim{tmp};
  TScriptedPrompts prompts;
  std::unique_ptr<TMaster> master;
  TQXLoggerPanel* logger = nullptr;
};
