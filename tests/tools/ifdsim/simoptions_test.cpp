// Command-line and plant-file settings: what is accepted, what wins and what is refused.
#include <gtest/gtest.h>

#include "plantmodel.h"
#include "simoptions.h"
#include "support/tempfolder.h"

namespace {
QString Refusal(const QStringList& args) {
  TSimOptions options;
  TPlantModel plant;
  QStringList notes;
  QString error;
  EXPECT_FALSE(options.Load(args, plant, &notes, &error)) << args.join(' ').toStdString();
  return error;
}
}  // namespace

TEST(SimOptions, BadOptionsAreRefusedWithAClearMessage) {
  const struct {
    QStringList Args;
    const char* Message;
  } cases[] = {
      {{"--colour", "red"}, "unknown option --colour"},
      {{"stray"}, "unexpected argument \"stray\""},
      {{"--log"}, "--log needs a value (FILE)"},
      {{"--no-arm=yes"}, "--no-arm takes no value"},
      {{"--master", "vexxa"}, "master: \"vexxa\" is not vexa, brenna or none"},
      {{"--master-model", "Vex"}, "four characters"},
      {{"--master-model", "OKAY"}, "other than K and O"},
      {{"--slave-role", "12"}, "one character"},
      {{"--master-mode", "single"}, "se or diff"},
      {{"--slave-device", "usb"}, "velusb, doruzova or none"},
      {{"--inverter", "other"}, "none, varnok or pellor"},
      {{"--inverter-program", "-1"}, "0-65535"},
      {{"--inverter", "pellor", "--inverter-program", "7000"}, "at most 6553"},
      {{"--inverter-nak", "J1"}, "function codes"},
      {{"--capture-rig", "16"}, "0-15"},
      {{"--drop-every", "x"}, "a whole number"},
      {{"--delay", "-5"}, "milliseconds"},
      {{"--vanish-after", "soon"}, "a number of seconds"},
      {{"--seed", "99999999999"}, "0-4294967295"},
      {{"--plant", "/nonexistent/plant.ini"}, "plant file /nonexistent/plant.ini not found"},
  };
  for (const auto& c : cases) {
    const QString error = Refusal(c.Args);
    EXPECT_TRUE(error.contains(QLatin1String(c.Message))) << error.toStdString();
  }
}

TEST(SimOptions, CommandLineWinsOverThePlantFilesCardsSection) {
  TTempFolder folder;
  folder.Write("rig/sim/plant.ini", "[cards]\nmaster = brenna\ninverter = pellor\nslave = vexa\nslave-role = 7\n");
  TSimOptions options;
  TPlantModel plant;
  QStringList notes;
  QString error;
  ASSERT_TRUE(options.Load({"--rig", folder.File("rig"), "--inverter", "varnok", "--slave-role", "1"}, plant, &notes,
                           &error))
      << error.toStdString();
  EXPECT_TRUE(notes.isEmpty());
  EXPECT_EQ(options.Cards[0].Kind, TCardKind::Brenna);
  EXPECT_EQ(options.Cards[0].Model, "B16S");
  EXPECT_EQ(options.Cards[1].Kind, TCardKind::Vexa);
  EXPECT_EQ(options.Cards[1].Model, "Vexa");
  EXPECT_EQ(options.Cards[1].RoleDigit, '1');
  EXPECT_EQ(options.InverterType, TInverter::TType::Varnok);
  EXPECT_TRUE(options.InverterNak.isEmpty()) << "the refused codes follow the type actually chosen";
}

TEST(SimOptions, TheCaptureRigCodeStandsOnInputsTwoToFiveUnlessThePlantWiresThem) {
  TTempFolder folder;
  // Code 13 = inputs 2, 4 and 5; input 4 follows the plant's own source instead.
  folder.Write("rig/sim/plant.ini", "[cards]\ncapture-rig = 13\n[di4]\nsource = DO0\n");
  TSimOptions options;
  TPlantModel plant;
  QStringList notes;
  QString error;
  ASSERT_TRUE(options.Load({"--rig", folder.File("rig")}, plant, &notes, &error)) << error.toStdString();
  EXPECT_EQ(options.CaptureRig, 13);
  EXPECT_EQ(plant.DigitalInputByte(0), 0b100100);
  plant.SetDigitalOutputByte(0, 1);
  EXPECT_EQ(plant.DigitalInputByte(0), 0b110100);
}

TEST(SimOptions, PlantFileProblemsNameTheFileAndLine) {
  TTempFolder folder;
  const QString bad = folder.Write("a.ini", "[cards]\nlog = /tmp/x\n");
  EXPECT_TRUE(Refusal({"--plant", bad}).contains("a.ini, line 2: \"log\" cannot stand in [cards]"));
  const QString worse = folder.Write("b.ini", "[cards]\nmaster = none\nmaster-role = KK\n");
  EXPECT_TRUE(Refusal({"--plant", worse}).contains("b.ini, line 3: master-role"));
  const QString broken = folder.Write("c.ini", "[ai0]\nsource = (\n");
  EXPECT_TRUE(Refusal({"--plant", broken}).contains("c.ini, line 2:"));
}

TEST(SimOptions, MissingPlantFileGivesAFlatPlantAndSaysSo) {
  TTempFolder folder;
  qputenv("QUORLEX_DEVICE_DIR", QFile::encodeName(folder.File("devices")));
  TSimOptions options;
  TPlantModel plant;
  QStringList notes;
  QString error;
  ASSERT_TRUE(options.Load({"--rig", folder.Path()}, plant, &notes, &error));
  qunsetenv("QUORLEX_DEVICE_DIR");
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes[0].contains("no plant file at " + folder.Path() + "/sim/plant.ini"));
  EXPECT_EQ(options.DeviceDir, folder.File("devices"));
  EXPECT_EQ(options.Cards[0].Kind, TCardKind::Vexa);
  EXPECT_EQ(options.Cards[1].Kind, TCardKind::None);
}

TEST(SimOptions, HelpNamesEveryOption) {
  const QString help = TSimOptions::HelpText();
  for (const char* name : {"--rig", "--serial-dir", "--device-dir", "--master-model", "--slave-role", "--inverter-nak",
                           "--drop-every", "--corrupt-every", "--delay", "--vanish-after", "--no-arm", "--log"})
    EXPECT_TRUE(help.contains(QLatin1String(name))) << name;
  for (const QString& line : help.split('\n')) EXPECT_LE(line.size(), 100) << line.toStdString();
}
