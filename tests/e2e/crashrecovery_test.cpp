// Samples survive a crash: the program records against the card simulator and is killed with
// SIGKILL at random moments; the next start on the same rig offers the journal and brings back
// every row the killed program had written, once each and whole.
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <random>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "platform/services.h"
#include "results/samplejournal.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "workbook/view/f1book.h"
#include "workbook/model/workbook.h"
#include "shell/master.h"
#include "ifd/serial/waitfor.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
const QString kDemoSource = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo");
const QString kSim = QStringLiteral(QUORLEX_BINARY_DIR "/tools/ifdsim/ifdsim");
const QString kQuorlex = QStringLiteral(QUORLEX_BINARY_DIR "/quorlex");

// "sample N VALUE" lines of the recording program: sample number -> column 4, exactly.
void TakeSamples(const QByteArray& out, std::map<int, double>& printed) {
  for (const QByteArray& line : out.split('\n')) {
    const QList<QByteArray> f = line.trimmed().split(' ');
    if (f.size() == 3 && f[0] == "sample") printed[f[1].toInt()] = std::strtod(f[2].constData(), nullptr);
  }
}
}  // namespace

TEST(CrashRecovery, EveryJournalledRowComesBackAfterSIGKILL) {
  if (!QFileInfo(kSim).isExecutable() || !QFileInfo(kQuorlex).isExecutable()) GTEST_SKIP() << "not built";
  TTempFolder tmp;
  const QString rig = tmp.CopyTree(kDemoSource, "demo");
  const QString serial = tmp.File("serial"), devices = tmp.File("dev");
  QProcess sim;
  sim.start(kSim, {"--rig", rig, "--serial-dir", serial, "--device-dir", devices});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(devices + "/VelUSB0"); }, 5000));
  qputenv("QUORLEX_DEVICE_DIR", devices.toLocal8Bit());
  qputenv("QUORLEX_PORTS", ("COM3=" + serial + "/master,COM4=" + serial + "/slave").toLocal8Bit());

  // The journal lives in the program's own data folder, named after it.
  const QString appName = QCoreApplication::applicationName(), orgName = QCoreApplication::organizationName();
  QCoreApplication::setApplicationName(QStringLiteral("Quorlex"));
  QCoreApplication::setOrganizationName(QStringLiteral("Veltrim"));
  struct TRestoreNames {
    QString App, Org;
    ~TRestoreNames() {
      QCoreApplication::setApplicationName(App);
      QCoreApplication::setOrganizationName(Org);
    }
  } restoreNames{appName, orgName};

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  for (int round = 1; round <= 4; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const QString data = tmp.File(QStringLiteral("data%1").arg(round));
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    QProcess child;
    child.setProgram(kQuorlex);
    child.setArguments({"--rig", rig, "--record", "25"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start();
    ASSERT_TRUE(child.waitForStarted(5000));
    // Killed after a random number of samples (the first round while its first row lands), at a
    // random moment between ticks.
    const int target = round == 1 ? 1 : std::uniform_int_distribution<int>(2, 60)(random);
    std::map<int, double> printed;
    ASSERT_TRUE(WaitFor(
        [&] {
          TakeSamples(child.readAllStandardOutput(), printed);
          return static_cast<int>(printed.size()) >= target || child.state() == QProcess::NotRunning;
        },
        20000));
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
    QThread::usleep(std::uniform_int_distribution<int>(0, 25000)(random));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    TakeSamples(child.readAllStandardOutput(), printed);
    ASSERT_FALSE(printed.empty());

    // The next start: asked, answered Yes, the run is back.
    TScriptedPrompts prompts;
    prompts.ExpectChoice(0);
    prompts.ExpectMessage("Quorlex was not closed normally.", TModalResult::mrYes);
    auto master = std::make_unique<TMaster>();
    master->StartUp(rig, {});
    TTableForm& table = *master->Table();
    TWorkbook& book = table.ResultsTable->Book();
    ASSERT_EQ(book.NumSheets(), 1);
    EXPECT_EQ(book.SheetName(1), "Run 1");
    EXPECT_TRUE(table.AnyRunUnsaved());
    const int rows = table.RecordedSamples(1);
    // Every printed row was in the journal; at most the rows of the last moments were not printed.
    EXPECT_GE(rows, printed.rbegin()->first);
    EXPECT_LE(rows, printed.rbegin()->first + 3);
    book.SetSheet(1);
    for (int r = 2; r <= rows + 1; ++r) {
      EXPECT_EQ(book.NumberRC(r, 1), r - 1) << "row " << r << ": once each, in order";
      for (int c : {1, 2, 3, 4, 5, 6, 9})
        EXPECT_NE(book.ValueRC(r, c).Kind, TValueKind::Empty) << "row " << r << " column " << c << ": a whole row";
      EXPECT_EQ(book.ValueRC(r, 4).Kind, TValueKind::Number) << "row " << r;
      EXPECT_EQ(book.FormulaRC(r, 14), QStringLiteral("=D%1-E%1").arg(r));
      if (auto it = printed.find(r - 1); it != printed.end()) EXPECT_EQ(book.NumberRC(r, 4), it->second) << "row " << r;
    }
    EXPECT_EQ(book.ValueRC(rows + 2, 1).Kind, TValueKind::Empty);
    // Journalled afresh: a second crash now loses nothing either.
    const QString journal = TSampleJournal::PathFor(rig, master->Rig()->Experiment_Index);
    EXPECT_TRUE(QFileInfo::exists(journal));
    if (round < 4) {
      master.reset();  // as a crash: the journal stays
      EXPECT_TRUE(QFileInfo::exists(journal));
      continue;
    }
    // A clean exit whose question gave the samples up retires the journal.
    prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
    EXPECT_TRUE(master->close());
    EXPECT_FALSE(QFileInfo::exists(journal));
    master.reset();
  }
  sim.kill();
  sim.waitForFinished(5000);
}
