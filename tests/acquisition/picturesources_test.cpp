// The picture sources, the conductivity probe with its weight sheet and the process-plant link.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include "acquisition/iplantarrays.h"
#include "acquisition/picturebar.h"
#include "acquisition/qxanalogueconductivitysource.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxconductivityoptionsource.h"
#include "acquisition/qxscadamodule.h"
#include "acquisition/qxvarimage1source.h"
#include "acquisition/qxvarimage2source.h"
#include "acquisition/qxvarimage3source.h"
#include "acquisition/qxvarimage4source.h"
#include "acquisition/qxvarimage5source.h"
#include "acquisition/rigpicture.h"
#include "acquisition/twostateimage.h"
#include "sourcefixture.h"

namespace {
struct TFakePlant : IPlantArrays {
  std::array<bool, 16> digitals{};
  std::array<double, 10> analogs{};
  int writtenFrom = -1;
  bool Digitals(int i) const override { return i >= 0 && i < 16 && digitals[static_cast<size_t>(i)]; }
  double Analogs(int i) const override { return i >= 0 && i < 10 ? analogs[static_cast<size_t>(i)] : 0; }
  bool DigitalAvailable(int) const override { return true; }
  bool AnalogAvailable(int) const override { return true; }
  void WriteValues(int ColumnNo) override { writtenFrom = ColumnNo; }
};

struct TPictureSources : ::testing::Test, TSourceFixture {
  TScriptedPrompts prompts;
  TFakePlant plant;

  TPictureSources() {
    rig.PathName = tmp.Path();
    panel.show();  // boxes show values only while visible
  }
  ~TPictureSources() override { IPlantArrays::SetCurrent(nullptr); }
  void SetUp() override {
    QDir().mkpath(tmp.File("config"));
    QImage picture(40, 300, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(tmp.File("config/bar.bmp")));
  }
  void UsePlant() {
    rig.UsingSCADA = true;
    IPlantArrays::SetCurrent(&plant);
  }
  // A picture row over the rectangle (100, 50) - (140, 250): height 200.
  TDataSource_Definition Picture(data_Source_types kind, int channel, double initial = 0, int column = 0) {
    auto d = Def(kind, column, channel, initial);
    d.FMimicLabel_X_Pos = 140;
    d.FMimicLabel_Y_Pos = 250;
    d.FMimic_Item_Width = 100;
    d.FLongLabelText = "bar.bmp";
    d.FShortLabelText = "bar.bmp";
    return d;
  }
};
}  // namespace

TEST_F(TPictureSources, LevelBarStandsOnTheBottomOrHangsFromTheTop) {
  TQXVarImage1Source bar, empty;
  bar.RegisterParent(&panel, Picture(VARIMAGE1_DATASRC, 2));
  empty.RegisterParent(&panel, Picture(VARIMAGE1_DATASRC, 2, 1));
  ASSERT_NE(bar.Display, nullptr);
  EXPECT_TRUE(bar.Display->HasPicture());
  EXPECT_EQ(bar.TotalTop, 50);
  EXPECT_EQ(bar.TotalHeight, 200);
  EXPECT_FALSE(bar.Data_Label->isVisibleTo(&panel));

  ifd->MainChannelValue[2] = 1024;
  bar.Tick(0, 0);
  empty.Tick(0, 0);
  EXPECT_EQ(bar.Display->geometry(), QRect(100, 150, 40, 100));
  EXPECT_EQ(empty.Display->geometry(), QRect(100, 50, 40, 100));
  ifd->MainChannelValue[2] = -300;  // below zero: an empty bar, not a negative one
  bar.Tick(0, 0);
  empty.Tick(0, 0);
  EXPECT_EQ(bar.Display->height(), 0);
  EXPECT_EQ(empty.Display->height(), 200);

  UsePlant();  // the controller's value over the item width
  plant.analogs[2] = 25;
  bar.Tick(0, 0);
  EXPECT_EQ(bar.Display->geometry(), QRect(100, 200, 40, 50));
}

TEST_F(TPictureSources, ScaledLevelBarDividesByItsScaleCellAndNeverByZero) {
  TQXAnalogueInputSource input;  // full scale 100 on channel 2
  auto in = Def(IFD_DATASRC, 2, 2, 0);
  Calibrate(in, {{0, 0.0}, {100, 5.0}});
  TQXDataList list(&panel);
  input.RegisterParent(&panel, in);
  const_cast<std::vector<TQXSource*>&>(list.Sources()).push_back(&input);

  TQXVarImage5Source scaled, plain, orphan;
  scaled.RegisterParent(&panel, Picture(VARIMAGE5_DATASRC, 2, 0, 6));
  plain.RegisterParent(&panel, Picture(VARIMAGE5_DATASRC, 2));
  orphan.RegisterParent(&panel, Picture(VARIMAGE5_DATASRC, 4, 0, 6));
  const_cast<std::vector<TQXSource*>&>(list.Sources()).clear();
  ASSERT_TRUE(scaled.MaximumScale.has_value());
  EXPECT_EQ(*scaled.MaximumScale, 100);
  EXPECT_FALSE(orphan.MaximumScale.has_value());

  ifd->MainChannelValue[2] = 1024;
  ifd->MainChannelValue[4] = 1024;
  plain.Change(nullptr);
  EXPECT_EQ(plain.height, 150);  // (1024 + 2048) / 4096 of 200
  EXPECT_EQ(plain.Display->y(), 100);
  sample.SetNumberRC(2, 6, 200);  // scaled by 100 / 200
  scaled.Change(nullptr);
  EXPECT_EQ(scaled.Scaling, 0.5);
  EXPECT_EQ(scaled.height, 125);
  orphan.Change(nullptr);  // no input to scale by: not scaled
  EXPECT_EQ(orphan.height, 150);

  sample.SetNumberRC(2, 6, 0);
  for (int raw : {1024, 0, -1024}) {
    ifd->MainChannelValue[2] = static_cast<std::int16_t>(raw);
    scaled.Change(nullptr);
    EXPECT_EQ(scaled.height, 0) << raw;
    EXPECT_EQ(scaled.Display->geometry(), QRect(100, 250, 40, 0));
  }
}

TEST_F(TPictureSources, TwoInputLevelTwoStatePictureAndSlidingCover) {
  TQXVarImage2Source level;
  level.RegisterParent(&panel, Picture(VARIMAGE2_DATASRC, 3));
  EXPECT_EQ(level.Display->geometry(), QRect(100, 150, 40, 100));  // starts at half
  level.Change(nullptr);
  EXPECT_EQ(level.Display->geometry(), QRect(100, 50, 40, 200));  // neither switch: full
  ifd->DigitalInputs[3] = 1;
  level.Change(nullptr);
  EXPECT_EQ(level.Display->height(), 100);
  ifd->DigitalInputs[4] = 1;
  level.Change(nullptr);
  EXPECT_EQ(level.Display->geometry(), QRect(100, 230, 40, 20));

  TQXVarImage3Source valve, fromColumn;
  valve.RegisterParent(&panel, Picture(VARIMAGE3_DATASRC, 3));
  fromColumn.RegisterParent(&panel, Picture(VARIMAGE3_DATASRC, -7));
  EXPECT_TRUE(fromColumn.output);
  EXPECT_EQ(fromColumn.FChannel, 7);
  valve.Change(nullptr);
  EXPECT_TRUE(valve.ChVal);
  EXPECT_EQ(valve.Display->Origin(), QPoint(0, 50));  // the centre of the 40 x 300 picture
  sample.SetNumberRC(2, 7, 0.6);  // rounds to 1
  fromColumn.Change(nullptr);
  EXPECT_TRUE(fromColumn.ChVal);
  sample.SetNumberRC(2, 7, 2);
  fromColumn.Change(nullptr);
  EXPECT_FALSE(fromColumn.ChVal);
  EXPECT_EQ(fromColumn.Display->Origin(), QPoint(0, 0));

  TQXVarImage4Source across, down;
  across.RegisterParent(&panel, Picture(VARIMAGE4_DATASRC, 2));
  down.RegisterParent(&panel, Picture(VARIMAGE4_DATASRC, 2, 1));
  ifd->MainChannelValue[2] = 1024;  // half of the range of 100
  across.Change(nullptr);
  down.Change(nullptr);
  EXPECT_EQ(across.Display1->geometry(), QRect(140, 50, 0, 200));  // pushed 50 aside, but it is 40 wide: gone
  EXPECT_EQ(down.Display1->geometry(), QRect(100, 100, 40, 150));
  ifd->MainChannelValue[2] = 2047;
  across.Change(nullptr);
  EXPECT_EQ(across.Display1->geometry(), QRect(100, 50, 40, 200));
}

TEST_F(TPictureSources, PlantValuesDriveThePicturesWhenTheRigUsesThePlant) {
  UsePlant();
  rig.Using_IFD = false;
  TQXVarImage2Source level;
  TQXVarImage3Source valve;
  level.RegisterParent(&panel, Picture(VARIMAGE2_DATASRC, 5));
  valve.RegisterParent(&panel, Picture(VARIMAGE3_DATASRC, 6));
  plant.digitals[5] = plant.digitals[6] = true;
  ifd->DigitalInputs[5] = ifd->DigitalInputs[6] = 0;
  level.Change(nullptr);
  valve.Change(nullptr);
  EXPECT_EQ(level.Display->height(), 20);
  EXPECT_TRUE(valve.ChVal);

  TQXVarImage5Source bar;
  auto def = Picture(VARIMAGE5_DATASRC, 8);
  def.FMimic_Item_Width = 0;  // no maximum: an empty bar
  bar.RegisterParent(&panel, def);
  plant.analogs[8] = 40;
  bar.Change(nullptr);
  EXPECT_EQ(bar.height, 0);
}

TEST_F(TPictureSources, AMissingPictureIsReportedOnceAndShowsNothing) {
  auto def = Picture(VARIMAGE1_DATASRC, 2);
  def.FLongLabelText = "nowhere.bmp";
  prompts.ExpectMessage("nowhere.bmp");
  TQXVarImage1Source first, second;
  first.RegisterParent(&panel, def);
  second.RegisterParent(&panel, def);
  EXPECT_EQ(prompts.Records().size(), 1u);
  EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtWarning);
  ASSERT_NE(first.Display, nullptr);
  EXPECT_FALSE(first.Display->HasPicture());
  EXPECT_FALSE(first.Display->isVisibleTo(&panel));
  ifd->MainChannelValue[2] = 1024;
  first.Change(nullptr);  // still follows its input, unseen
  EXPECT_EQ(first.Display->height(), 100);
}

TEST_F(TPictureSources, ConductivityShowsConductivityOrTheWeightOfItsSensor) {
  // Sensors: (temperature, weight, channel) = (1, 2, 5), (4, 8, 3); units "kg" at row 2, column 4.
  rig.Weight_Spreadsheet = tmp.Write("config/weight.vts",
                                     "quorlex-workbook 1\nsheet \"W\"\nsize 2 6\ncell A1 1\ncell B1 2\ncell C1 5\n"
                                     "cell D1 4\ncell E1 8\ncell F1 3\ncell D2 \"kg\"\nend\n");
  auto def = Def(CONDUCTIVITY_DATASRC, 2, 3, 0);
  Calibrate(def, {{0, 0.0}, {200, 5.0}});
  def.FUnitsLabelText = "mS";
  TQXAnalogueConductivitySource probe;
  probe.RegisterParent(&panel, def);
  ASSERT_TRUE(probe.DataLoaded);
  EXPECT_EQ(probe.SensorCount, 2);
  EXPECT_EQ(probe.WeightColumn[2], 8);
  EXPECT_EQ(probe.weight_units_text, "kg");

  TQXConductivityOptionSource option;
  auto optionDef = Def(CONDUCTIVITY_OPTION_DATASRC, 4, 0, 0);
  optionDef.FLongLabelText = "Conductivity,Weight";
  option.RegisterParent(&panel, optionDef);
  EXPECT_EQ(option.Source_Column, 0);
  EXPECT_TRUE(TQXAnalogueConductivitySource::ShowConductivity);

  rig.ProgramType = TProgramType::ClientApp;  // read whatever the program type
  ifd->TakeReading(false, 3, 1024);  // one sample's reading
  ifd->EndSampleWindow();
  probe.DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 2), 100);
  sample.SetNumberRC(2, 8, 3.5);
  probe.DataDisplay();
  EXPECT_EQ(probe.Display_Box->text(), "100 mS");
  option.Click(nullptr);  // first item still chosen
  EXPECT_TRUE(TQXAnalogueConductivitySource::ShowConductivity);
  TQXAnalogueConductivitySource::ShowConductivity = false;
  probe.DataDisplay();
  EXPECT_EQ(probe.Display_Box->text(), "3.5 kg");
  option.DataWrite();
  EXPECT_TRUE(sample.TextRC(2, 4).isEmpty());
  TQXAnalogueConductivitySource::ShowConductivity = true;
}

TEST_F(TPictureSources, AMissingWeightSheetIsReportedOnceAndNoWeightIsShown) {
  rig.Weight_Spreadsheet = tmp.File("config/weight.vts");
  auto def = Def(CONDUCTIVITY_DATASRC, 2, 3, 0);
  Calibrate(def, {{0, 0.0}, {200, 5.0}});
  prompts.ExpectMessage("weight sheet");
  TQXAnalogueConductivitySource a, b;
  a.RegisterParent(&panel, def);
  b.RegisterParent(&panel, def);
  EXPECT_EQ(prompts.Records().size(), 1u);
  EXPECT_FALSE(a.DataLoaded);
  ifd->TakeReading(false, a.FChannel, 100);
  ifd->EndSampleWindow();
  a.DataWrite();
  TQXAnalogueConductivitySource::ShowConductivity = false;
  a.DataDisplay();
  TQXAnalogueConductivitySource::ShowConductivity = true;
  EXPECT_EQ(a.Display_Box->text(), "");
}

TEST_F(TPictureSources, ProcessPlantLinkReadsTheControllersValues) {
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(7), TQXSCADAModule::Analogue);
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(9), TQXSCADAModule::PercentAnalogue);
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(17), TQXSCADAModule::DigitalInput);
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(25), TQXSCADAModule::DigitalOutput);
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(99), TQXSCADAModule::LoopSettings);
  EXPECT_EQ(TQXSCADAModule::TypeOfChannel(30), TQXSCADAModule::Unknown);

  TQXSCADAModule level, power, input, output, loops;
  level.RegisterParent(&panel, Def(SCADA_MODULE, 2, 2, 0));
  power.RegisterParent(&panel, Def(SCADA_MODULE, 3, 8, 0));
  input.RegisterParent(&panel, Def(SCADA_MODULE, 4, 12, 0));
  output.RegisterParent(&panel, Def(SCADA_MODULE, 5, 20, 1));
  loops.RegisterParent(&panel, Def(SCADA_MODULE, 10, 99, 0));
  ASSERT_NE(output.OutputButton, nullptr);
  EXPECT_TRUE(output.OutputButton->State());  // initial state until the first tick
  level.DataWrite();  // no controller window yet: nothing
  EXPECT_TRUE(sample.TextRC(2, 2).isEmpty());

  IPlantArrays::SetCurrent(&plant);
  plant.analogs[2] = 4550;
  plant.analogs[8] = 61;
  plant.digitals[2] = true;
  for (TQXSCADAModule* m : {&level, &power, &input, &output, &loops}) m->DataWrite();
  EXPECT_EQ(sample.NumberRC(2, 2), 45.5);
  EXPECT_EQ(sample.NumberRC(2, 3), 61);
  EXPECT_EQ(sample.NumberRC(2, 4), 1);
  EXPECT_TRUE(input.InputButton->State());
  EXPECT_EQ(sample.NumberRC(2, 5), 0);
  EXPECT_FALSE(output.OutputButton->State());
  EXPECT_EQ(plant.writtenFrom, 10);
}
