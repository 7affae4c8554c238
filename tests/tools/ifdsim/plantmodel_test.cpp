// The plant model on a clock the test sets: lags, expressions, timetables, noise and waveforms.
#include <gtest/gtest.h>

#include <cmath>

#include "plantexpression.h"
#include "plantmodel.h"

namespace {
TPlantModel Plant(const QByteArray& text) {
  TPlantModel plant;
  QString error;
  EXPECT_TRUE(plant.Load(text, &error)) << error.toStdString();
  return plant;
}

double Evaluate(const QString& text, double ao0 = 0) {
  TPlantExpression e;
  QString error;
  const auto resolve = [](const QString& name) { return name == QLatin1String("AO0") ? 0 : -1; };
  EXPECT_TRUE(e.Parse(text, resolve, &error)) << error.toStdString();
  return e.Evaluate([ao0](int) { return ao0; });
}
}  // namespace

TEST(PlantModel, StepResponseReaches63PercentAfterOneTimeConstant) {
  TPlantModel plant = Plant("[ai0]\nsource = AO0\ngain = 2\noffset = 10\ntau = 5\ninitial = 10\n");
  double t = 0;
  plant.SetClock([&t] { return t; });
  plant.SetAnalogueOutput(0, 500);  // target 1010, a step of 1000
  t = 5;
  EXPECT_NEAR(plant.AnalogueInput(0), 10 + 1000 * (1 - std::exp(-1.0)), 1);
  t = 10;
  EXPECT_NEAR(plant.AnalogueInput(0), 10 + 1000 * (1 - std::exp(-2.0)), 1);
  t = 100;
  EXPECT_EQ(plant.AnalogueInput(0), 1010);
}

TEST(PlantModel, ResponseDoesNotDependOnHowOftenItIsRead) {
  const QByteArray text = "[ai0]\nsource = AO0\ntau = 2\n[ai1]\nsource = AI0\ntau = 3\n";
  TPlantModel once = Plant(text), often = Plant(text);
  once.SetAnalogueOutput(0, 1000);
  often.SetAnalogueOutput(0, 1000);
  for (int i = 1; i <= 400; ++i) often.AdvanceTo(i * 0.01);
  once.AdvanceTo(4);
  EXPECT_NEAR(once.AnalogueInput(0), often.AnalogueInput(0), 1);
  EXPECT_NEAR(once.AnalogueInput(1), often.AnalogueInput(1), 2);
  EXPECT_LT(once.AnalogueInput(1), once.AnalogueInput(0)) << "the second lag trails the first";
  EXPECT_GT(once.AnalogueInput(1), 300);
}

TEST(PlantModel, ValuesStayWithinTheCardsRange) {
  TPlantModel plant = Plant("[ai0]\nsource = AO0 * 10\n[ai1]\nsource = 4000/AO0\n[freq0]\nsource = AO0\n");
  plant.SetAnalogueOutput(0, 2000);
  plant.AdvanceTo(1);
  EXPECT_EQ(plant.AnalogueInput(0), 2047);
  plant.SetAnalogueOutput(0, -2000);
  plant.AdvanceTo(2);
  EXPECT_EQ(plant.AnalogueInput(0), -2048);
  EXPECT_EQ(plant.FrequencyCount(0), 0) << "a count is never negative";
  plant.SetAnalogueOutput(0, 0);
  plant.AdvanceTo(3);
  EXPECT_EQ(plant.AnalogueInput(1), -2) << "a division by zero keeps the last good value";
  plant.SetAnalogueOutput(4, 100);  // no such output: ignored
  EXPECT_EQ(plant.AnalogueOutput(4), 0);
}

TEST(PlantModel, NoiseIsReproducibleFromItsSeed) {
  const QByteArray text = "[plant]\nseed = 42\n[ai0]\nsource = 100\nnoise = 20\n";
  TPlantModel a = Plant(text), b = Plant(text), c = Plant(text);
  c.SetSeed(43);
  QList<int> sa, sb, sc;
  for (int i = 0; i < 20; ++i) {
    for (TPlantModel* p : {&a, &b, &c}) p->AdvanceTo(i + 1);
    sa << a.AnalogueInput(0);
    sb << b.AnalogueInput(0);
    sc << c.AnalogueInput(0);
  }
  EXPECT_EQ(sa, sb);
  EXPECT_NE(sa, sc);
  EXPECT_GT(*std::max_element(sa.begin(), sa.end()) - *std::min_element(sa.begin(), sa.end()), 10);
}

TEST(PlantModel, DigitalInputsFollowOutputsOrTheirTimetable) {
  TPlantModel plant = Plant(
      "[di0]\nsource = DO3\n[di1]\nsource = AO0 > 100\n"
      "[di2]\nschedule = 0:0, 5:1, 8:0\nperiod = 10\n[di3]\nschedule = 1:1\n");
  plant.SetDigitalOutputByte(0, 0x08);
  plant.SetAnalogueOutput(0, 150);
  EXPECT_EQ(plant.DigitalInputByte(0), 0x03);
  plant.SetDigitalOutputByte(0, 0);
  EXPECT_FALSE(plant.DigitalInput(0));
  const struct {
    double T;
    bool Timetable, Once;
  } expected[] = {{0.5, false, false}, {5.5, true, true}, {9, false, true}, {15.2, true, true}, {28.1, false, true}};
  for (const auto& e : expected) {
    plant.AdvanceTo(e.T);
    EXPECT_EQ(plant.DigitalInput(2), e.Timetable) << e.T;
    EXPECT_EQ(plant.DigitalInput(3), e.Once) << e.T;
  }
}

TEST(PlantModel, CaptureWaveformsRideOnTheInputValue) {
  TPlantModel plant = Plant(
      "[ai0]\nsource = 100\nwave = sine\nwave_frequency = 50\nwave_amplitude = 400\n"
      "[ai1]\nsource = -100\nwave = square\nwave_frequency = 10\nwave_amplitude = 300\n");
  plant.AdvanceTo(1);
  EXPECT_EQ(plant.CaptureSample(0, 0.005), 500);   // a quarter period of 50 Hz
  EXPECT_EQ(plant.CaptureSample(0, 0.015), -300);
  EXPECT_EQ(plant.CaptureSample(1, 0.01), 200);
  EXPECT_EQ(plant.CaptureSample(1, 0.06), -400);
  EXPECT_EQ(plant.AnalogueInput(0), 100) << "normal sampling sees no waveform";

  // A square wave with a set duty, and a sine with a second one added.
  plant = Plant(
      "[ai2]\nsource = 0\nwave = square\nwave_frequency = 20\nwave_amplitude = 500\nwave_duty = 30\n"
      "[ai3]\nsource = 0\nwave = sine\nwave_frequency = 50\nwave_amplitude = 400\n"
      "wave_frequency2 = 120\nwave_amplitude2 = 100\n");
  int high = 0;
  for (int i = 0; i < 1000; ++i) high += plant.CaptureSample(2, 0.0003 + i * 0.001) == 500;
  EXPECT_EQ(high, 300);
  EXPECT_EQ(plant.CaptureSample(2, 0.0149), 500);
  EXPECT_EQ(plant.CaptureSample(2, 0.0151), -500);
  const double t = 0.0013;
  EXPECT_EQ(plant.CaptureSample(3, t), std::lround(400 * std::sin(2 * M_PI * 50 * t) + 100 * std::sin(2 * M_PI * 120 * t)));
  QString error;
  EXPECT_FALSE(TPlantModel().Load("[ai0]\nwave_duty = 150\n", &error));
  EXPECT_TRUE(error.contains("wave_duty is a percentage")) << error.toStdString();
}

TEST(PlantModel, ExpressionsFollowTheUsualRules) {
  EXPECT_EQ(Evaluate("2 + 3 * 4 ^ 2"), 50);
  EXPECT_EQ(Evaluate("-2 ^ 2"), -4);
  EXPECT_EQ(Evaluate("(1 + 2) * 3 - 4 / 2"), 7);
  EXPECT_EQ(Evaluate("min(3, ao0, 7) + max(1, 2)", 5), 5);
  EXPECT_EQ(Evaluate("if(AO0 >= 5, 10, 20)", 5), 10);
  EXPECT_EQ(Evaluate("clamp(AO0, 0, 100)", 150), 100);
  EXPECT_EQ(Evaluate("abs(-3) + sqrt(16) + 1.5e1"), 22);
  EXPECT_TRUE(std::isnan(Evaluate("sqrt(0 - 1)")));
}

TEST(PlantModel, MalformedFilesAreRefusedWithTheLine) {
  const struct {
    const char* Text;
    const char* Message;
  } cases[] = {
      {"[ai0]\nsource = AO0 +\n", "line 2: value missing"},
      {"[ai0]\nsource = AO9\n", "line 2: unknown name \"AO9\""},
      {"[ai0]\nsource = foo(1)\n", "unknown function \"FOO\""},
      {"[ai0]\nsource = min(1)\n", "wrong number of arguments for MIN"},
      {"[ai0]\nsource = (1 + 2\n", "\")\" missing"},
      {"[ai0]\nsource = 1 2\n", "unexpected \"2\""},
      {"[ai0]\ntau = -1\n", "line 2: tau needs a non-negative number"},
      {"[ai0]\ngain = many\n", "line 2: gain needs a number"},
      {"[ai0]\nwave = triangle\n", "line 2: wave must be sine, square or none"},
      {"[ai0]\ncolour = red\n", "line 2: unknown key \"colour\""},
      {"\n[ai40]\n", "line 2: unknown section [ai40]"},
      {"[di0]\nschedule = 5:1, 2:0\n", "line 2: schedule items"},
      {"[di0]\nschedule = 1:2\n", "line 2: schedule items"},
      {"[di0]\nsource = 1\nschedule = 1:1\n", "line 1: [di0] takes either a source or a schedule"},
      {"source = 1\n", "line 1: \"source = 1\" stands before any [section]"},
      {"[ai0]\nsource\n", "line 2: expected key = value"},
      {"[ai0]\nsource = 1\nsource = 2\n", "line 3: key \"source\" already given on line 2"},
      {"[ai0]\n[AI 0]\n", "line 2: section [ai0] already given on line 1"},
      {"[plant]\nseed = -1\n", "line 2: unknown key or bad value in [plant]"},
      {"[ai0\n", "line 1: a section header"},
  };
  for (const auto& c : cases) {
    TPlantModel plant;
    QString error;
    EXPECT_FALSE(plant.Load(c.Text, &error)) << c.Text;
    EXPECT_TRUE(error.contains(QLatin1String(c.Message))) << c.Text << " gave: " << error.toStdString();
    plant.AdvanceTo(1);
    EXPECT_EQ(plant.AnalogueInput(0), 0) << "a refused file leaves a flat plant";
  }
}

TEST(PlantModel, CommentsAndTheCardsSectionAreKept) {
  TPlantModel plant = Plant(
      "; heater rig\n# another comment\n[cards]\nmaster = brenna ; the old card\n"
      "[ai0]\nsource = 7  # constant\n");
  ASSERT_EQ(plant.CardSettings().size(), 1);
  EXPECT_EQ(plant.CardSettings()[0].Key, "master");
  EXPECT_EQ(plant.CardSettings()[0].Value, "brenna");
  plant.AdvanceTo(1);
  EXPECT_EQ(plant.AnalogueInput(0), 7);
}
