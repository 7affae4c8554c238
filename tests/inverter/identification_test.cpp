// Identifying the inverter against the simulator: the main window's sequence on the serial path
// and on the legacy path, and the identifier source, for each program type, a refusing inverter
// and none at all.
#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "acquisition/qxvexaidentifier.h"
#include "ifd/ifdconfig.h"
#include "ifd/legacy/socketdriver.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "inverter/iinverterhost.h"
#include "inverter/inverterlink.h"
#include "platform/messagebus.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "support/cardsimulator.h"
#include "support/recordingifdhost.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
// The main window as the identification sees it: inverter replies go to the link, the state is kept.
class TMainWindowDouble : public TRecordingIFDHost, public IInverterHost {
 public:
  TInverterLink* Link = nullptr;
  TInverterType Type = na_inv;
  int Program = -1;
  void vComInverterDataBack(const QString& text) override {
    TRecordingIFDHost::vComInverterDataBack(text);
    if (Link) Link->SerialReply(text.toLatin1());
  }
  TInverterType InverterType() const override { return Type; }
  void SetInverterType(TInverterType type) override { Type = type; }
  void SetInverterProgram(int program) override { Program = program; }
  void InverterQueryRunning(bool running) override { Running << running; }
  QList<bool> Running;
};

struct TIdentification : ::testing::Test {
  TTempFolder tmp;
  TScriptedPrompts prompts;
  TRigConfig rig{nullptr, nullptr, nullptr};
  TMainWindowDouble main;
  TMessageBus bus;
  QStringList posted;
  std::unique_ptr<TCardSimulator> sim;
  std::unique_ptr<TSocketDriver> driver;
  std::unique_ptr<TQXIFD> ifd;
  std::unique_ptr<TInverterLink> link;

  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
    sim = std::make_unique<TCardSimulator>(tmp);
    TIFDState::DigitalOutputShadow = 0;
    rig.Using_IFD = true;
    rig.UsingSingleEndedChannels = true;
    rig.FisVexamode = true;
    rig.RegistryKey = TRegistry::RigKey(QStringLiteral("Inverter Rig"), 1.0);
    TServices::SetRig(&rig);
    TServices::SetBus(&bus);
    // The main window's handler of the identification's own messages.
    bus.SetHandler([this](unsigned msg, std::intptr_t, std::intptr_t) {
      const QString name = bus.MessageName(msg);
      posted << name;
      if (name == "WM_INVERTER_SEND_RH10") link->SendRead("H10");
      if (name == "WM_INVERTER_SEND_RA05") link->SendRead("A05");
      if (name == "WM_INVERTER_ACTIVATE_PROGRAMMER") link->Activate();
    });
    link = std::make_unique<TInverterLink>(main);
    main.Link = link.get();
  }
  void TearDown() override {
    link.reset();
    ifd.reset();
    driver.reset();
    sim.reset();
    TServices::SetRig(nullptr);
    TServices::SetBus(nullptr);
  }

  static QByteArray Plant(const char* cards) { return QByteArray("[cards]\n") + cards; }

  void StartSerial(const QByteArray& cards) {
    const QString plant = tmp.Write("plant.ini", Plant(cards));
    ASSERT_TRUE(sim->StartSerial({"--plant", plant, "--master", "vexa", "--master-mode", "se"}, false));
    ifd = std::make_unique<TQXIFD>(nullptr, &main);
    ifd->FpreAssignedPortValCOMm = 3;
    ifd->switchIOtoIFDVComMaster(&main);
    ASSERT_TRUE(WaitFor([&] { return ifd->FvComIOActive && ifd->FisVexa; }, 5000));
  }
  void StartLegacy(const QByteArray& cards) {
    ASSERT_TRUE(sim->StartDevices(tmp.Write("plant.ini", Plant(cards))));
    driver = std::make_unique<TSocketDriver>(sim->DeviceDir());
    ifd = std::make_unique<TQXIFD>(nullptr, &main, driver.get());
    ifd->OpenPorts();
    ASSERT_TRUE(ifd->PortsOpen);
  }
  // Runs the main window's identification to its end.
  void Identify() {
    link->Start();
    EXPECT_FALSE(ifd->FisFrequencySamplingOn) << "frequency sampling pauses for the inverter";
    ASSERT_TRUE(WaitFor([&] { return !link->Running(); }, 8000));
  }
};
}  // namespace

TEST_F(TIdentification, SerialVarnokAndPellor) {
  StartSerial("inverter = varnok\ninverter-program = 3\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Identify();
  EXPECT_EQ(main.Type, Varnok);
  EXPECT_EQ(main.Program, 3);
  EXPECT_TRUE(posted.contains("WM_INVERTER_ACTIVATE_PROGRAMMER"));
  EXPECT_TRUE(ifd->FisFrequencySamplingOn);
  EXPECT_EQ(main.Running, (QList<bool>{true, false}));
  // The frames went out byte for byte, no CR after the checksum.
  const QStringList sent = sim->Received("master").filter("IMO,");
  EXPECT_EQ(sent, (QStringList{"IMO,\\x0101\\x05RJ01 0000\\x0346", "IMO,\\x0101\\x05RH10 0000\\x0344",
                               "IMO,\\x0101\\x05RA05 0000\\x0341"}));
}

TEST_F(TIdentification, SerialPellorGivesTheProgramInTenths) {
  StartSerial("inverter = pellor\ninverter-program = 2\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Identify();
  EXPECT_EQ(main.Type, Pellor);
  EXPECT_EQ(main.Program, 2);
}

TEST_F(TIdentification, ARefusedJ01EndsTheSequenceAndFrequencySamplingResumes) {
  StartSerial("inverter = varnok\ninverter-program = 3\ninverter-nak = J01\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Identify();
  EXPECT_EQ(main.Type, na_inv);
  EXPECT_EQ(main.Program, -1);
  EXPECT_FALSE(posted.contains("WM_INVERTER_SEND_RH10"));
  EXPECT_TRUE(ifd->FisFrequencySamplingOn);
  EXPECT_EQ(main.Running, (QList<bool>{true, false}));
}

TEST_F(TIdentification, NoInverterTimesOutAndFrequencySamplingResumes) {
  StartSerial("inverter = none\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Identify();
  EXPECT_EQ(main.Type, na_inv);
  EXPECT_EQ(main.Program, -1);
  EXPECT_TRUE(ifd->FisFrequencySamplingOn);
}

TEST_F(TIdentification, LegacyPathReadsEachReplyBackFromTheCard) {
  StartLegacy("inverter = varnok\ninverter-program = 25\n");
  if (IsSkipped() || HasFatalFailure()) return;
  Identify();
  EXPECT_EQ(main.Type, Varnok);
  EXPECT_EQ(main.Program, 25);
  EXPECT_TRUE(ifd->FisFrequencySamplingOn);
}

namespace {
// The identifier source on a legacy card whose window caption names `caption`'s rig.
struct TIdentifierRun {
  QWidget window;
  TDataSource_Definition def;
  TQXVexaIdentifier source;
  explicit TIdentifierRun(TRigConfig& rig, const QString& caption) : def(rig, TDataSource_Definition::TBlank{}) {
    window.setWindowTitle(caption);
    def.FSourceType = VEXA_IDENTIFIER_DATASRC;
    source.RegisterParent(&window, def);
  }
  // Ticks until the inverter has been checked, or `ms` pass.
  bool TickUntilChecked(TQXIFD& ifd, int ms) {
    return WaitFor([&] {
      ifd.SampleNow();
      source.DataWrite();
      return source.CheckedInverter && !source.Checking();
    }, ms);
  }
};
}  // namespace

TEST_F(TIdentification, IdentifierFindsAMatchingVarnokQuietly) {
  StartLegacy("inverter = varnok\ninverter-program = 3\ncapture-rig = 3\n");
  if (IsSkipped() || HasFatalFailure()) return;
  TIdentifierRun run(rig, "QC03 Capture rig");
  TIFDConfig dialog(*ifd, nullptr);  // the interface settings show what was found
  EXPECT_EQ(run.source.Software, 3);
  ASSERT_TRUE(run.TickUntilChecked(*ifd, 5000));
  EXPECT_EQ(dialog.lblVexaVersion->text(), "Varnok");
  EXPECT_EQ(dialog.lblVexaProgram->text(), "QC03");
  EXPECT_EQ(run.source.InverterType, Varnok);
  EXPECT_EQ(run.source.InverterProgram, 3);
  EXPECT_EQ(run.source.Apparatus, 3);
  EXPECT_FALSE(run.source.NotDisplayedYet);
  EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}

TEST_F(TIdentification, IdentifierWarnsOnAPellorProgrammedForAnotherRig) {
  StartLegacy("inverter = pellor\ninverter-program = 2\ncapture-rig = 1\n");
  if (IsSkipped() || HasFatalFailure()) return;
  TIdentifierRun run(rig, "QC01 Capture rig");
  prompts.ExpectMessage("Inverter is currently programmed for QC02, and is connected to QC01");
  ASSERT_TRUE(run.TickUntilChecked(*ifd, 5000));
  EXPECT_EQ(run.source.InverterType, Pellor);
  EXPECT_EQ(run.source.InverterProgram, 2);
  // Reported once: further ticks ask nothing.
  for (int i = 0; i < 3; ++i) run.source.DataWrite();
  EXPECT_EQ(prompts.MessageTexts().size(), 1);
}

TEST_F(TIdentification, IdentifierWarnsWhenThisSoftwareIsNotTheConnectedRigs) {
  StartLegacy("inverter = varnok\ninverter-program = 20\ncapture-rig = 3\n");
  if (IsSkipped() || HasFatalFailure()) return;
  TIdentifierRun run(rig, "QC05 Capture rig");
  prompts.ExpectMessage(
      "This software (QC05) does not match the apparatus you are connected to (QC03). You should load the correct "
      "program now.");
  prompts.ExpectMessage("Inverter is currently programmed for unknown, and is connected to QC03");
  ASSERT_TRUE(run.TickUntilChecked(*ifd, 5000));
  EXPECT_EQ(run.source.InverterProgram, 20);
}

TEST_F(TIdentification, IdentifierWithoutAnInverterKeepsTrying) {
  StartLegacy("inverter = none\ncapture-rig = 2\n");
  if (IsSkipped() || HasFatalFailure()) return;
  TIdentifierRun run(rig, "QC02 Capture rig");
  EXPECT_FALSE(run.TickUntilChecked(*ifd, 1500));
  EXPECT_EQ(run.source.InverterType, na_inv);
  EXPECT_TRUE(run.source.NotDisplayedYet);
  EXPECT_EQ(run.source.Apparatus, 2);
  EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}
