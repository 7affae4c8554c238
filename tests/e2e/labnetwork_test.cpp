// The whole program as a station of the lab network: the demo rig against the card simulator and
// a real broker. Every run the table records reaches the lecturer with exactly the table's cells,
// also a run that ended while the broker was down; the status-bar panel says where things stand.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "acquisition/qxloggerpanel.h"
#include "ifd/qxifd.h"
#include "ifd/serial/waitfor.h"
#include "lab/labconnection.h"
#include "lab/labpayload.h"
#include "lab/labsettings.h"
#include "lab/labstation.h"
#include "results/tableform.h"
#include "rigconfig/inistore.h"
#include "shell/master.h"
#include "shell/resultsmdi.h"
#include "workbook/model/workbook.h"
#include "workbook/view/f1book.h"
#include "support/demosimulator.h"
#include "support/mosquittobroker.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

namespace {
class LabNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TCardSimulator::Built()) GTEST_SKIP() << "the simulator is not built";
    if (!TMosquittoBroker::Available()) GTEST_SKIP() << "mosquitto is not installed";
    TIniStore ini(sim.Rig() + "/config/Configuration.ini");
    ini.WriteString("Scope", "feature", "off");  // Sample Now records rather than captures
    ASSERT_TRUE(ini.UpdateFile());
  }
  TTempFolder tmp;
  TDemoSimulator sim{tmp};
};

// Every message under quorlex/ as the lecturer's account would read it.
struct TLecturer {
  explicit TLecturer(int port) {
    TLabSettings s;
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = port;
    Connection = std::make_unique<TLabConnection>(s, QStringLiteral("test-lecturer"));
    Connection->SetPersistentSession(QStringLiteral("test-lecturer"));  // as the class view: nothing missed while away
    Connection->AddSubscription(QStringLiteral("quorlex/#"));
    QObject::connect(Connection.get(), &TLabConnection::Message, [this](const QString& topic, const QByteArray& payload) {
      if (topic.contains(QStringLiteral("/runs/"))) {
        TLabRun run;
        if (TLabPayload::ReadRun(payload, run)) {
          Runs[run.Id] = run;
          ++Copies[run.Id];
        }
      } else if (topic.endsWith(QStringLiteral("/status"))) {
        TLabPayload::TStatus s;
        if (TLabPayload::ReadStatus(payload, s)) States << s.State;
      } else if (topic.endsWith(QStringLiteral("/values"))) {
        ++ValueMessages;
      }
    });
    Connection->Start();
  }
  std::unique_ptr<TLabConnection> Connection;
  std::map<QString, TLabRun> Runs;
  std::map<QString, int> Copies;
  QStringList States;
  int ValueMessages = 0;
  const TLabRun* Named(const QString& name) const {
    for (const auto& [id, run] : Runs)
      if (run.Name == name) return &run;
    return nullptr;
  }
};

void Record(TMaster& master, int rows) {
  TQXLoggerPanel* logger = master.Diagram()->Logger();
  logger->Programmed_Sample_Mode = PSS_FreeRun;
  logger->LogTimer->setInterval(300);
  logger->Sample_Interval = 300;
  master.Action("SampleNow")->trigger();
  WaitFor([&] { return logger->Sample_Transfer_Count >= rows; }, 30000);
  master.Action("SampleNow")->trigger();  // STOP
}

// The published run holds exactly the table's cells of that run: numbers bit for bit, empty as empty.
void ExpectSameAsTable(TMaster& master, int sheet, const TLabRun& run) {
  TWorkbook& book = master.Table()->ResultsTable->Book();
  const int rows = master.Table()->RecordedSamples(sheet);
  ASSERT_EQ(static_cast<int>(run.Rows.size()), rows);
  ASSERT_GT(rows, 0);
  const TSheet& s = book.SheetAt(sheet);
  int numbers = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 1; c <= static_cast<int>(run.Columns.size()); ++c) {
      const TCell* cell = s.Find(r + 2, c);
      const TCellValue v = cell ? book.CellValue(s, *cell) : TCellValue{};
      const TLabCell& got = run.Rows[static_cast<size_t>(r)][static_cast<size_t>(c - 1)];
      if (v.Kind == TValueKind::Number) {
        ASSERT_TRUE(std::holds_alternative<double>(got)) << "row " << r + 2 << " column " << c;
        EXPECT_EQ(std::get<double>(got), v.Num) << "row " << r + 2 << " column " << c;
        ++numbers;
      } else if (v.Kind == TValueKind::Empty) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(got)) << "row " << r + 2 << " column " << c;
      }
    }
  EXPECT_GT(numbers, rows);  // readings, not only sample numbers
}
}  // namespace

TEST_F(LabNetwork, RecordedRunsReachTheLecturerExactlyAlsoAfterTheBrokerWasAway) {
  TMosquittoBroker broker;
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  TLecturer lecturer(broker.Port());
  ASSERT_TRUE(sim.Start());
  TScriptedPrompts prompts;
  prompts.ExpectChoice(0);  // exercise 1
  auto master = std::make_unique<TMaster>();
  TLabSettings lab;
  lab.Enabled = true;
  lab.Host = QStringLiteral("127.0.0.1");
  lab.Port = broker.Port();
  lab.Station = QStringLiteral("bench-7");
  master->SetLabOverride(lab);
  master->StartUp(sim.Rig(), {});
  ASSERT_TRUE(WaitFor([&] { return master->Diagram()->IFD()->PortsOpen; }, 5000));
  ASSERT_NE(master->LabStation(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return master->FeaturePanelText("Lab") == "Lab: connected"; }, 10000))
      << master->FeaturePanelText("Lab").toStdString();

  Record(*master, 6);
  EXPECT_TRUE(lecturer.States.contains(QStringLiteral("recording")));
  EXPECT_GT(lecturer.ValueMessages, 0);
  master->Action("NextResults")->trigger();
  ASSERT_TRUE(WaitFor([&] { return lecturer.Runs.size() == 1; }, 10000));
  ExpectSameAsTable(*master, 1, lecturer.Runs.begin()->second);

  // The broker goes down; the next run ends while it is away and waits.
  broker.Stop();
  ASSERT_TRUE(WaitFor([&] { return master->FeaturePanelText("Lab").startsWith("Lab: offline"); }, 10000));
  Record(*master, 4);
  master->Action("NextResults")->trigger();
  EXPECT_EQ(master->FeaturePanelText("Lab"), "Lab: offline (1 run waiting)");
  ASSERT_TRUE(broker.Start()) << broker.Log().toStdString();
  ASSERT_TRUE(WaitFor([&] { return master->FeaturePanelText("Lab") == "Lab: connected"; }, 20000))
      << master->FeaturePanelText("Lab").toStdString();
  ASSERT_TRUE(WaitFor([&] { return lecturer.Runs.size() == 2; }, 10000));
  const TLabRun* second = lecturer.Named(master->Table()->GetSheetName(2));
  ASSERT_NE(second, nullptr);
  ExpectSameAsTable(*master, 2, *second);
  for (const auto& [id, copies] : lecturer.Copies) EXPECT_EQ(copies, 1) << id.toStdString();

  prompts.ExpectMessage("The current table data has not been saved!", TModalResult::mrOk);
  master->close();
}
