// The demo rig's fixed values on the diagram, in each exercise: every box shows the run sheet's
// value in its number format, followed by the units, from the first ticks on.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "acquisition/qxdatalist.h"
#include "acquisition/qxfixedsource.h"
#include "ifd/serial/waitfor.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");

class FixedValues : public ::testing::TestWithParam<int> {};
}  // namespace

TEST_P(FixedValues, ShowTheirValueAndUnits) {
  TTempFolder tmp;
  const QString demo = tmp.CopyTree(kDemoSource, "demo");
  qputenv("QUORLEX_DEVICE_DIR", tmp.File("no-devices").toLocal8Bit());
  TScriptedPrompts prompts;
  prompts.ExpectChoice(GetParam());
  auto master = std::make_unique<TMaster>();
  master->StartUp(demo, {"quorlex", "--rig", demo});
  master->resize(1280, 860);
  master->show();
  std::vector<TQXFixedSource*> fixed;
  for (TQXSource* s : master->Diagram()->DataList()->Sources())
    if (auto* f = qobject_cast<TQXFixedSource*>(s); f && f->Display_Box) fixed.push_back(f);
  ASSERT_EQ(fixed.size(), 6u);  // cp, heat flow, temperature difference, the stores of T1 and T2, highest T1
  const TWorkbook& sample = master->F1Book3();
  auto shown = [&] {
    for (TQXFixedSource* f : fixed)
      if (f->Display_Box->text() != sample.FormattedTextRC(2, f->Source_Column) + " " + f->fUnits_text) return false;
    return true;
  };
  EXPECT_TRUE(WaitFor(shown, 5000));
  // Exercise 2 hides the heat flow until its questions are answered.
  const bool heatFlowHidden = GetParam() == 1;
  for (TQXFixedSource* f : fixed) {
    if (heatFlowHidden && f == fixed[1]) continue;
    const QString value = f->Display_Box->text().chopped(f->fUnits_text.size() + 1);
    EXPECT_FALSE(value.trimmed().isEmpty()) << f->fLong_text.toStdString() << ": " << f->Display_Box->text().toStdString();
  }
  EXPECT_EQ(fixed[0]->Display_Box->text(), "4.18 kJ/kg K");
  EXPECT_EQ(fixed[1]->Display_Box->text(), heatFlowHidden ? " kW" : "0.000 kW");  // no flow yet
  master->close();
}

INSTANTIATE_TEST_SUITE_P(E2E, FixedValues, ::testing::Values(0, 1),
                         [](const auto& info) { return "Exercise" + std::to_string(info.param + 1); });
