#pragma once
// A diagram panel, a sample-row workbook, a rig and a facade over the fake legacy card, installed
// as the program's, for source tests.

#include <functional>
#include <memory>
#include <optional>

#include <QWidget>

#include "acquisition/qxdatalist.h"
#include "ifd/qxifd.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"
#include "support/fakelegacycard.h"
#include "support/manualclock.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

struct TSourceFixture {
  TTempFolder tmp;
  TManualClock clock;
  TFakeLegacyCard card;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TWorkbook sample;
  QWidget panel;
  std::unique_ptr<TQXIFD> ifd;

  TSourceFixture() {
    TIFDState::DigitalOutputShadow = 0;
    TIFDState::AnalogueOutputShadow = {};
    card.Add(legacy::VelUSB0, legacy::KindVelUSB);
    rig.Using_IFD = true;
    rig.ColumnStatus.resize(10);
    TServices::SetRig(&rig);
    TServices::SetSampleBook(&sample);
    ifd = std::make_unique<TQXIFD>(nullptr, nullptr, &card);
    panel.resize(400, 300);
  }
  ~TSourceFixture() {
    ifd.reset();
    TServices::SetSampleBook(nullptr);
    TServices::SetRig(nullptr);
  }
  // A definition as a sheet row would give it: kind, column, channel, initial value, positions.
  TDataSource_Definition Def(data_Source_types kind, int column, int channel, double initial, bool positioned = true) {
    TDataSource_Definition d(rig, TDataSource_Definition::TBlank{});
    d.FSourceType = kind;
    d.FColumn = column;
    d.FIFD_Channel = channel;
    d.FInitialVal = initial;
    if (positioned) {
      d.FMimicData_X_Pos = 100;
      d.FMimicData_Y_Pos = 50;
      d.FMimicLabel_X_Pos = 10;
      d.FMimicLabel_Y_Pos = 54;
      d.FMimic_Item_Width = 60;
    }
    d.FLongLabelText = "Long";
    d.FShortLabelText = "Short";
    return d;
  }
  static void Calibrate(TDataSource_Definition& d, std::vector<std::pair<double, double>> points) {
    d.MaxRawValueIndex = static_cast<int>(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      d.FProcessedValue[i + 1] = points[i].first;
      d.FRawValue[i + 1] = points[i].second;
    }
  }
  // Digital input `line` read as `state` for the sample now closing, as a card's reply brings it.
  void ReadDigital(int line, int state) {
    ifd->TakeDigitalInput(line, state);
    ifd->EndSampleWindow();
  }
  // Register writes of an analogue output pair, as counts.
  int OutputCounts(int lowRegister) {
    const auto& r = card.Device(legacy::VelUSB0).Registers;
    return (r[static_cast<size_t>(lowRegister)] | r[static_cast<size_t>(lowRegister + 1)] << 8) - 2048;
  }
};

// The demo rig (or a copy of it) loaded for real with exercise 1, its sources built on the
// fixture's panel and registered as the program's data list.
struct TDemoRigFixture : TSourceFixture {
  TWorkbook book1, book2;
  TRigConfig demo{&book1, &book2, nullptr};
  std::unique_ptr<TQXDataList> list;

  // False when the rig did not load. `table` may be null. The exercise is chosen through `prompts`
  // when the test has its own (a second scripted service would replace it), else a passing one.
  // `expect`, when given, queues what the loading says after the choice.
  bool LoadDemo(const QString& folder, ISampleTable* table, TScriptedPrompts* prompts = nullptr,
                const std::function<void(TScriptedPrompts&)>& expect = {}) {
    std::optional<TScriptedPrompts> own;
    if (!prompts) prompts = &own.emplace();
    prompts->ExpectChoice(0);
    if (expect) expect(*prompts);
    if (!demo.Initialise(folder)) return false;
    TServices::SetRig(&demo);
    sample.Read(demo.Run_Spreadsheet);
    list = std::make_unique<TQXDataList>(&panel);
    list->Initialise(demo, table);
    return true;
  }
  ~TDemoRigFixture() {
    list.reset();
    TServices::SetRig(&rig);
  }
};
