// The "IFD Configuration" dialog: loading at start-up (with the silent reconnect), the dispatcher
// timing and the low-interval question on Apply, what is saved on destruction, the two views and
// the lock, Configure's answer, and the card texts the facade hands it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "ifd/ifdconfig.h"
#include "ifd/qxifd.h"
#include "ifd/serial/availableports.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/configurationfile.h"
#include "rigconfig/inistore.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "rigconfig/settingsnames.h"
#include "support/fakelegacycard.h"
#include "support/recordingifdhost.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace ini = settings::ini;

namespace {
struct TIFDConfigTest : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TFakeLegacyCard card;  // no devices: the legacy path stays closed
  TRecordingIFDHost host;
  TMessageBus bus;
  QStringList posted;
  std::unique_ptr<TQXIFD> ifd;

  void SetUp() override {
    rig.Using_IFD = true;
    rig.IFDSampleRate = 1000;
    rig.IFDFilter = 1;
    rig.RegistryKey = TRegistry::RigKey(QStringLiteral("Config Rig"), 1.0);
    rig.FPathConfigurationIni = tmp.File("Configuration.ini");
    TServices::SetRig(&rig);
    TServices::SetBus(&bus);
    bus.SetHandler([this](unsigned msg, std::intptr_t, std::intptr_t) { posted << bus.MessageName(msg); });
    TAvailablePorts::Shutdown();
    TAvailablePorts::StartDispatcher();
    ifd = std::make_unique<TQXIFD>(nullptr, &host, &card);
  }
  void TearDown() override {
    ifd.reset();
    TAvailablePorts::Shutdown();
    TAvailablePorts::SetQueuesEnabled(true);
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
  }
  void WriteIni(const QByteArray& text) { tmp.Write("Configuration.ini", text); }
  QString IniValue(const char* section, const char* key) const {
    return TIniStore(rig.FPathConfigurationIni).ReadString(section, key, "<absent>");
  }
};
}  // namespace

TEST_F(TIFDConfigTest, StartUpReadsTheFileAndReconnectsSilentlyWithoutAutocom) {
  WriteIni("[IFD]\ntbt=1\nguiref=75\nthreadsel=1\n[Vexa]\ninv_prg_show=1\n");
  rig.FisVexamode = true;
  host.ScopeOn = true;
  {
    TIFDConfig dialog(*ifd, &host);
    dialog.LoadInitialisationValues();
    EXPECT_EQ(dialog.spnedtThreadTimeBase->value(), 50);  // a stored 1 is ignored
    EXPECT_EQ(dialog.spEdThreadTBdelta->value(), 75);
    EXPECT_TRUE(dialog.chckbxAllowSelectionTimeBase->isChecked());
    EXPECT_TRUE(dialog.spnedtThreadTimeBase->isEnabledTo(dialog.gbTiming));
    EXPECT_TRUE(dialog.chkbxEnableScope->isChecked());
    EXPECT_FALSE(dialog.chkbxEnableScheduler->isChecked());
    EXPECT_TRUE(dialog.chkbxIsVexa->isChecked());
    EXPECT_EQ(host.CallsStartingWith("Show_Vexa_items"), QStringList{"Show_Vexa_items 1"});
    EXPECT_EQ(host.CallsStartingWith("Enable_Vexa_items"), QStringList{"Enable_Vexa_items 0"});
    EXPECT_TRUE(host.Calls.contains("ifdSettingsAppliedNotify"));
    // 50 + 50 * 25 / 100 = 62.5, to the even neighbour.
    EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 62);
    EXPECT_TRUE(ifd->FtryAutoComConnect);
    EXPECT_EQ(ifd->FlastPortValCOMm, -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(posted, QStringList{"WM_RECONNECT_COMS_SILENTLY"});
  }
  // Saved on destruction: the adjusted pause, refresh back to 50, the boxes.
  EXPECT_EQ(IniValue(ini::IFD, ini::Tbt), "62");
  EXPECT_EQ(IniValue(ini::IFD, ini::Guiref), "50");
  EXPECT_EQ(IniValue(ini::IFD, ini::Threadsel), "1");
  EXPECT_EQ(IniValue(ini::Scope, ini::Feature), "on");
  EXPECT_EQ(IniValue(ini::Autopilot, ini::Feature), "off");
  EXPECT_EQ(IniValue(ini::Vexa, ini::IsVexaMode), "1");
  EXPECT_EQ(IniValue(ini::Vexa, ini::InvPrgShow), "1");
  EXPECT_EQ(IniValue(ini::Vexa, ini::InvPrgEnable), "0");
}

TEST_F(TIFDConfigTest, AutocomOffMeansNoReconnectAndRememberedPortsAreReadOtherwise) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, true));
    reg.WriteBool(settings::reg::AutoCom, false);
    reg.WriteInteger(settings::reg::LastComMaster, 5);
  }
  TIFDConfig dialog(*ifd, &host);
  dialog.LoadInitialisationValues();
  QCoreApplication::processEvents();
  EXPECT_FALSE(ifd->FtryAutoComConnect);
  EXPECT_EQ(ifd->FlastPortValCOMm, -1);
  EXPECT_TRUE(posted.isEmpty());

  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, true));
    reg.WriteBool(settings::reg::AutoCom, true);
  }
  dialog.LoadInitialisationValues();
  EXPECT_EQ(ifd->FlastPortValCOMm, 5);
  EXPECT_EQ(ifd->FlastPortValCOMs, -1);
}

TEST_F(TIFDConfigTest, ApplyAdjustsTheDispatcherByTheRefreshSetting) {
  TIFDConfig dialog(*ifd, &host);
  dialog.LoadInitialisationValues();
  struct TCase {
    int Timebase, Refresh, Sleep;
  };
  for (const TCase c : {TCase{40, 100, 60}, TCase{40, 0, 20}, TCase{40, 50, 40}, TCase{1, 0, 1}}) {
    dialog.spnedtThreadTimeBase->setValue(c.Timebase);
    dialog.spEdThreadTBdelta->setValue(c.Refresh);
    dialog.btnApplyClick();
    EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), c.Sleep) << c.Timebase << " " << c.Refresh;
  }
  dialog.spnedtThreadTimeBase->setValue(40);
  dialog.spEdThreadTBdelta->setValue(100);
  dialog.btnApplyClick();
  dialog.SaveDialogSettings();
  EXPECT_EQ(IniValue(ini::IFD, ini::Tbt), "60");
  EXPECT_EQ(IniValue(ini::IFD, ini::Guiref), "50");
}

TEST_F(TIFDConfigTest, ALowIntervalAnsweredNoKeepsTheOldValuesButStillAppliesTheRest) {
  TIFDConfig dialog(*ifd, &host);
  dialog.spnedtThreadTimeBase->setValue(30);
  dialog.FrequencyNumber->setValue(80);
  dialog.FilterConstant->setValue(7);
  prompts.ExpectMessage(TIFDConfig::LowIntervalQuestion, TModalResult::mrNo);
  dialog.btnApplyClick();
  EXPECT_EQ(ifd->Interval, 1000);
  EXPECT_EQ(ifd->FilterWeight, 1);
  EXPECT_EQ(TAvailablePorts::getDispatcherSleepInterval(), 30);
  EXPECT_TRUE(host.Calls.contains("ifdSettingsAppliedNotify"));

  prompts.ExpectMessage(TIFDConfig::LowIntervalQuestion, TModalResult::mrYes);
  dialog.btnApplyClick();
  EXPECT_EQ(ifd->Interval, 80);
  EXPECT_EQ(ifd->FilterWeight, 7);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(rig.RegistryKey, false));
  EXPECT_EQ(reg.ReadInteger(settings::reg::IFDFrequency), 80);
  EXPECT_EQ(reg.ReadInteger(settings::reg::IFDFilter), 7);
}

TEST_F(TIFDConfigTest, CompactAndExtendedViewsAndTheLock) {
  TIFDConfig dialog(*ifd, &host);
  dialog.show();
  EXPECT_FALSE(dialog.FIFDConfigurationToolExtended);
  EXPECT_FALSE(dialog.gbTiming->isVisible());
  EXPECT_FALSE(dialog.chkbxLock->isVisible());
  EXPECT_FALSE(dialog.btnAdvanced->isEnabled());
  const int compactHeight = dialog.height();
  QCoreApplication::processEvents();
  const QImage compact = dialog.grab().toImage();

  QKeyEvent keys(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  QCoreApplication::sendEvent(&dialog, &keys);
  ASSERT_TRUE(dialog.btnAdvanced->isEnabled());
  dialog.btnAdvanced->click();
  EXPECT_TRUE(dialog.FIFDConfigurationToolExtended);
  EXPECT_TRUE(dialog.gbTiming->isVisible());
  EXPECT_TRUE(dialog.gbVexa->isVisible());
  EXPECT_TRUE(dialog.btnAdvanced->isEnabled());
  EXPECT_EQ(dialog.height(), compactHeight + TIFDConfig::ExtendedExtraHeight);
  EXPECT_TRUE(dialog.chkbxLock->isChecked());
  EXPECT_FALSE(dialog.gbVexa->isEnabled());
  EXPECT_FALSE(dialog.gbTiming->isEnabled());
  dialog.chkbxLock->click();
  EXPECT_TRUE(dialog.gbVexa->isEnabled());
  EXPECT_TRUE(dialog.gbTools->isEnabled());
  EXPECT_TRUE(dialog.gbOptions->isEnabled());
  QCoreApplication::processEvents();
  const QImage extended = dialog.grab().toImage();

  // Neither view renders blank: a good share of the pixels differ from the background.
  for (const QImage& image : {compact, extended}) {
    ASSERT_FALSE(image.isNull());
    qsizetype drawn = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) drawn += image.pixel(x, y) != image.pixel(1, 1);
    EXPECT_GT(drawn, image.width() * image.height() / 50);
  }
  if (const QByteArray dir = qgetenv("QUORLEX_SCREENSHOT_DIR"); !dir.isEmpty()) {
    compact.save(QDir(QString::fromLocal8Bit(dir)).filePath("ifdconfig-compact.png"));
    extended.save(QDir(QString::fromLocal8Bit(dir)).filePath("ifdconfig-extended.png"));
  }

  dialog.btnAdvanced->click();
  EXPECT_FALSE(dialog.gbTiming->isVisible());
  EXPECT_TRUE(dialog.btnAdvanced->isEnabled());
  dialog.hide();

  // On the serial path it opens extended.
  ifd->FvComIOActive = true;
  dialog.show();
  EXPECT_TRUE(dialog.FIFDConfigurationToolExtended);
  EXPECT_TRUE(dialog.chkbxLock->isChecked());
  EXPECT_FALSE(dialog.gbTiming->isEnabled());
}

TEST_F(TIFDConfigTest, ShowingReflectsTheFacadeAndTheRig) {
  rig.Using_EXP = true;
  rig.UsingSingleEndedChannels = true;
  ifd->Multiplexing = true;
  ifd->Interval = 250;
  TIFDConfig dialog(*ifd, &host);
  EXPECT_EQ(dialog.lblAIsModeMaster->text(), "NA");
  dialog.show();
  EXPECT_EQ(dialog.FrequencyNumber->value(), 250);
  EXPECT_EQ(dialog.lblAIsModeMaster->text(), "Single Ended");
  EXPECT_EQ(dialog.lblAIsModeSlave->text(), "Differential");
  EXPECT_EQ(dialog.FirmwareIssue->text(), "No Device");
  EXPECT_EQ(dialog.Multiplexing->text(), "On");

  // A lost master (through the facade) takes its texts away.
  dialog.ShowCardFirmware(TApdComPortRole::ms, "VELTRIM-IFD-2.3-B16S-0.");
  EXPECT_FALSE(dialog.FirmwareIssue->isVisible());
  EXPECT_TRUE(dialog.lblVComFirmwareIDmaster->isVisible());
  ifd->CardLost("ms");
  EXPECT_TRUE(dialog.FirmwareIssue->isVisible());
  EXPECT_FALSE(dialog.lblVComFirmwareIDmaster->isVisible());
  EXPECT_EQ(dialog.lblAIsModeMaster->text(), "NA");
  EXPECT_EQ(dialog.lblAIsModeSlave->text(), "Differential");
  EXPECT_TRUE(host.Calls.contains("VComLostMaster"));
}

TEST_F(TIFDConfigTest, ConfigureAnswersTheNewIntervalOnlyAfterOK) {
  TIFDConfig dialog(*ifd, &host);
  QTimer::singleShot(0, &dialog, [&] {
    dialog.FrequencyNumber->setValue(700);
    dialog.OKButton->click();
  });
  EXPECT_EQ(ifd->Configure(400), 700);
  EXPECT_EQ(ifd->Interval, 700);

  QTimer::singleShot(0, &dialog, [&] {
    dialog.FrequencyNumber->setValue(900);
    dialog.CancelButton->click();
  });
  EXPECT_EQ(ifd->Configure(400), 400);
  EXPECT_EQ(ifd->Interval, 400);
}

TEST_F(TIFDConfigTest, NothingIsWrittenToAFileThatWasNeverLoaded) {
  WriteIni("[Vexa]\nis_vexa_mode=1\n");
  { TIFDConfig dialog(*ifd, &host); }
  EXPECT_EQ(IniValue(ini::Vexa, ini::IsVexaMode), "1");
  EXPECT_EQ(IniValue(ini::IFD, ini::Tbt), "<absent>");
}
