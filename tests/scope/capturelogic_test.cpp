// The capture logic without a card: the command texts, collecting and splitting a transfer, and
// the oscilloscope's settings arithmetic and their place in Configuration.ini.
#include <gtest/gtest.h>

#include "ifd/serial/hs_data_serialconnector.h"
#include "ifd/serial/scopecnfg.h"
#include "rigconfig/inistore.h"
#include "scope/scopesettings.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
TScopeCnfg Config(TypeTrigger kind, TIFDInputMode mode, int ch1, int ch2, int isd, int nos) {
  TScopeCnfg c;
  c.TrType = kind;
  c.InputMode = mode;
  c.CH1 = ch1;
  c.CH2 = ch2;
  c.ISD = isd;
  c.NOS = nos;
  return c;
}

// The bytes a card sends for sample pairs of inputs `ch1` and `ch2`.
QByteArray Wire(const std::vector<std::pair<int, int>>& pairs, int ch1, int ch2) {
  QByteArray out;
  for (const auto& [a, b] : pairs) {
    out += QByteArray::number(a) + char(0x87 + ch1) + '\r';
    out += QByteArray::number(b) + char(0x87 + ch2) + '\r';
  }
  return out;
}

struct TConnector : ::testing::Test {
  TScriptedPrompts prompts;
  THS_data_SerialConnector hs;
  void Expect(int nos, int ch1 = 0, int ch2 = 1) {
    hs.ClearHSdata();
    hs.SetScopeConfig(Config(TypeTrigger::Software, TIFDInputMode::SE, ch1, ch2, 0, nos));
    hs.TransferComplete = false;
  }
};
}  // namespace

TEST(ScopeCommand, EachTriggerKindAndModeBuildsItsText) {
  TScopeCnfg sw = Config(TypeTrigger::Software, TIFDInputMode::SE, 0, 1, 745, 1000);
  EXPECT_EQ(sw.ScopeCmd(), "HS33,0,1,745,1000\r");
  EXPECT_FALSE(sw.ErrorFlag);
  sw.set_vexamode();
  EXPECT_EQ(sw.ScopeCmd(), "HS34,0,1,745,1000\r");
  sw.InputMode = TIFDInputMode::DIFF;
  EXPECT_EQ(sw.ScopeCmd(), "HS33,0,1,745,1000\r") << "a Vexa's differential digit is one higher too";

  TScopeCnfg di = Config(TypeTrigger::OnDI, TIFDInputMode::SE, 12, 3, 0, 500);
  di.TrChl = 2;
  EXPECT_EQ(di.ScopeCmd(), "HS65,12,3,0,500,2\r");
  di.InputMode = TIFDInputMode::NONE;  // anything but single-ended counts as differential
  di.CH1 = 5;
  EXPECT_EQ(di.ScopeCmd(), "HS64,5,3,0,500,2\r");

  TScopeCnfg ai = Config(TypeTrigger::OnAI, TIFDInputMode::SE, 3, 4, 100, 1000);
  ai.PSC = 800;
  ai.TrLevel = 2500;
  EXPECT_EQ(ai.ScopeCmd(), "HS17,3,4,100,800,2500\r") << "the post-trigger count, not NOS";
  ai.set_vexamode();
  EXPECT_EQ(ai.ScopeCmd(), "HS18,3,4,100,800,2500\r");
}

TEST(ScopeCommand, OutOfRangeSettingsGiveErrorTextsInOrder) {
  TScopeCnfg c = Config(TypeTrigger::OnAI, TIFDInputMode::DIFF, 3, 9, 0, 100);
  EXPECT_EQ(c.ScopeCmd(), "ERRSCMDEXC\r");
  EXPECT_TRUE(c.ErrorFlag);
  c.CH2 = 16;  // out of range is checked before the differential limit
  EXPECT_EQ(c.ScopeCmd(), "ERRSCMDOUT\r");
  c = Config(TypeTrigger::OnDI, TIFDInputMode::SE, 0, 1, 0, 100);
  c.TrChl = 8;
  EXPECT_EQ(c.ScopeCmd(), "ERRSCMDOUT\r");
  c.TrChl = -1;
  c.set_vexamode();
  EXPECT_EQ(c.ScopeCmd(), "ERRTCMDOUT\r") << "shifted and still an error";
  EXPECT_TRUE(c.ErrorFlag);
  c = Config(TypeTrigger::Software, TIFDInputMode::SE, -1, 1, 0, 100);
  c.ScopeCmd();
  EXPECT_TRUE(c.ErrorFlag) << "no channel chosen";
  c.CH1 = 0;
  c.ScopeCmd();
  EXPECT_FALSE(c.ErrorFlag) << "each build starts clear";
}

TEST_F(TConnector, OneSamplePairCountsFourAndGivesTwoItems) {
  Expect(1);
  EXPECT_TRUE(hs.ReceiveHS(QByteArray("12\x87\r5\x88\r")));
  EXPECT_EQ(hs.glNPCHARCount(), 4);
  EXPECT_EQ(hs.glRawHSdata(), "|12=135|\r|5=136|");
  EXPECT_EQ(hs.nosCollected(), 1);
  ASSERT_TRUE(hs.BuildData());
  EXPECT_EQ(hs.dataCh1(), QStringList{"12"});
  EXPECT_EQ(hs.dataCh2(), QStringList{"5"});
  EXPECT_FALSE(hs.ReceiveHS("99")) << "nothing is taken once complete";
  EXPECT_EQ(hs.glRawHSdata(), "|12=135|\r|5=136|");
}

TEST_F(TConnector, AnInterleavedTransferSplitsIntoItsChannelsWhateverTheChunks) {
  std::vector<std::pair<int, int>> pairs;
  for (int i = 0; i < 50; ++i) pairs.push_back({i * 7 - 150, -i});
  const QByteArray wire = Wire(pairs, 4, 11);
  Expect(50, 4, 11);
  bool done = false;
  for (int at = 0; at < wire.size(); at += 3) {
    ASSERT_FALSE(done) << "complete before the last byte";
    done = hs.ReceiveHS(wire.mid(at, 3));
  }
  ASSERT_TRUE(done);
  ASSERT_EQ(hs.nosCollected(), 50);
  ASSERT_TRUE(hs.BuildData());
  ASSERT_EQ(hs.dataCh1().size(), 50);
  EXPECT_EQ(hs.dataCh1()[10], "-80");
  EXPECT_EQ(hs.dataCh2()[49], "-49");
  EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}

TEST_F(TConnector, TheLastCodeByteAloneDoesNotEndTheTransfer) {
  const QByteArray wire = Wire({{1, 2}, {3, 4}}, 0, 1);
  Expect(2);
  EXPECT_FALSE(hs.ReceiveHS(wire.left(wire.size() - 1))) << "the final CR is still on its way";
  EXPECT_TRUE(hs.ReceiveHS(wire.right(1)));
  EXPECT_EQ(hs.nosCollected(), 2);
}

TEST_F(TConnector, ALostByteLeavesNoValidCount) {
  QByteArray wire = Wire({{10, 20}, {11, 21}, {12, 22}}, 0, 1);
  wire.remove(wire.indexOf('\r'), 1);  // the first CR lost on the line
  Expect(3);
  EXPECT_TRUE(hs.ReceiveHS(wire)) << "ends with its last CR, one short";
  EXPECT_EQ(hs.nosCollected(), 0);
  EXPECT_FALSE(hs.HasValidDataCount());
  EXPECT_FALSE(hs.BuildData(false));
  EXPECT_FALSE(hs.HasValidData());
}

TEST_F(TConnector, GarbledOrStrayItemsAreNamedAndNothingIsValid) {
  // A reading corrupted into letters, and a code byte of the wrong input.
  QByteArray wire = Wire({{10, 20}, {11, 21}, {12, 22}}, 0, 1);
  wire.replace("11", "1x");
  wire[wire.lastIndexOf(char(0x88))] = char(0x8A);
  Expect(3);
  ASSERT_TRUE(hs.ReceiveHS(wire));
  EXPECT_EQ(hs.nosCollected(), 3);
  EXPECT_FALSE(hs.BuildData());
  const QString report = hs.ErrorValidationMessage();
  EXPECT_TRUE(report.startsWith("Build Data has failed @: The following wrong data points have been found: \r\n"));
  EXPECT_TRUE(report.contains("2:1x=135 ")) << report.toStdString();
  EXPECT_TRUE(report.contains("5:22=138 ")) << report.toStdString();

  // Stray CRs on the line make items that are not samples.
  Expect(3);
  ASSERT_TRUE(hs.ReceiveHS(Wire({{1, 2}}, 0, 1) + "\r\r\r\r" + Wire({{3, 4}}, 0, 1)));
  EXPECT_EQ(hs.nosCollected(), 3) << "four stray CRs count as a pair";
  prompts.ExpectMessage("samples recovered: 3 expected.");
  EXPECT_FALSE(hs.BuildData());
  EXPECT_EQ(prompts.MessageTexts().value(0), "8samples recovered: 3 expected.");
  EXPECT_TRUE(hs.ErrorValidationMessage().contains("Data Count <> Number of Samples"));
}

TEST_F(TConnector, ClearingForgetsTheLastTransfer) {
  Expect(1);
  ASSERT_TRUE(hs.ReceiveHS(Wire({{1, 2}}, 0, 1)));
  ASSERT_TRUE(hs.BuildData());
  hs.ClearHSdata();
  EXPECT_EQ(hs.glNPCHARCount(), 0);
  EXPECT_TRUE(hs.dataCh1().isEmpty());
  EXPECT_FALSE(hs.HasValidData());
  EXPECT_EQ(hs.ErrorValidationMessage(), "no data is held");
}

TEST(ScopeSettings, DurationVoltsAndTriggerSummary) {
  TScopeSettings s;
  s.FSampleInterval = 1000 - 255;
  s.FNumberOfSamples = 1000;
  EXPECT_EQ(s.Duration(), 1000);
  s.FSampleInterval = 0;
  s.FNumberOfSamples = 3;
  EXPECT_EQ(s.Duration(), 0);
  s.FSampleInterval = 65790 - 255;
  s.FNumberOfSamples = 8192;
  EXPECT_EQ(s.Duration(), 538951) << "no overflow at the largest settings";
  EXPECT_EQ(TScopeSettings::VoltText(4095), "5.000 V");
  EXPECT_EQ(TScopeSettings::VoltText(2048), "0.001 V");
  EXPECT_EQ(TScopeSettings::VoltText(0), "-5.000 V");

  s.FNumberOfSamples = 1000;
  EXPECT_EQ(s.TriggerSummary(), (QStringList{"Software", "n/a", "n/a", "1000"}));
  s.TriggerMode = TScopeSettings::Analogue;
  s.FTrgLevel = 4095;
  s.FPreTriggerCount = 200;
  EXPECT_EQ(s.TriggerSummary(), (QStringList{"Analogue", "4095 (5.000 V)", "200", "800"}));
  s.TriggerMode = TScopeSettings::Digital;
  s.FDITrgLabel = "Valve=0";
  EXPECT_EQ(s.TriggerSummary(), (QStringList{"Valve=0", "n/a", "n/a", "1000"}));

  TScopeCnfg cfg;
  s.FAIChannelOne = 3;
  s.FAIChannelTwo = 4;
  s.FtrgValMsk = 3;
  s.FillConfig(cfg, TIFDInputMode::SE);
  EXPECT_EQ(cfg.ScopeCmd(), QByteArray("HS65,3,4,65535,1000,2\r"));
  s.TriggerMode = TScopeSettings::Analogue;
  s.FillConfig(cfg, TIFDInputMode::SE);
  EXPECT_EQ(cfg.PSC, 800);
}

TEST(ScopeSettings, SavedSettingsLoadBackThroughTheSourceLists) {
  TTempFolder tmp;
  const QString path = tmp.Write("Configuration.ini", "[Scope]\nfeature = on\n");
  const std::vector<TScopeSettings::TSource> analogue = {{"Tank=0", 0}, {"Pick-up=3", 3}};
  const std::vector<TScopeSettings::TSource> digital = {{"Valve=0", 0}, {"Level=7", 7}};
  {
    TIniStore ini(path);
    TScopeSettings defaults;
    defaults.Load(ini, analogue, digital);
    EXPECT_EQ(defaults.IntervalUs(), 1000);
    EXPECT_EQ(defaults.FNumberOfSamples, 1000);
    EXPECT_EQ(defaults.FAIChannelOne, TScopeSettings::NoChannel);
    EXPECT_EQ(defaults.FAI1Label, "none");
    EXPECT_EQ(defaults.TriggerMode, TScopeSettings::Software);

    TScopeSettings s;
    s.FSampleInterval = 100;
    s.FNumberOfSamples = 4000;
    s.FAIChannelOne = 3;
    s.FAIChannelTwo = 0;
    s.TriggerMode = TScopeSettings::Digital;
    s.FtrgValMsk = 8;
    s.FTrgLevel = 1234;
    s.Save(ini);
    ASSERT_TRUE(ini.UpdateFile());
  }
  TIniStore ini(path);
  EXPECT_EQ(ini.ReadInteger("scope", "channel 1", 0), -3) << "stored negated";
  EXPECT_EQ(ini.ReadString("Scope", "Trigger Mode", ""), "Digital Trigger");
  EXPECT_EQ(ini.ReadString("Scope", "feature", ""), "on") << "other keys survive";
  TScopeSettings s;
  s.Load(ini, analogue, digital);
  EXPECT_EQ(s.FSampleInterval, 100);
  EXPECT_EQ(s.FNumberOfSamples, 4000);
  EXPECT_EQ(s.FAIChannelOne, 3);
  EXPECT_EQ(s.FAI1Label, "Pick-up=3");
  EXPECT_EQ(s.FAIChannelTwo, 0);
  EXPECT_EQ(s.TriggerMode, TScopeSettings::Digital);
  EXPECT_EQ(s.FtrgValMsk, 8);
  EXPECT_EQ(s.FDITrgLabel, "Level=7");
  EXPECT_EQ(s.FTrgLevel, 1234);

  // A channel the rig no longer has, and settings out of range, read as none and within limits.
  ini.WriteInteger("Scope", "Channel 2", -9);
  ini.WriteInteger("Scope", "Sample Count", 100000);
  ini.WriteString("Scope", "Trigger Mode", "Sideways Trigger");
  s.Load(ini, analogue, digital);
  EXPECT_EQ(s.FAIChannelTwo, TScopeSettings::NoChannel);
  EXPECT_EQ(s.FNumberOfSamples, TScopeSettings::MaxSamples);
  EXPECT_EQ(s.TriggerMode, TScopeSettings::Digital) << "unknown text selects nothing";
}
