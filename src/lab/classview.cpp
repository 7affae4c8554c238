#include "lab/classview.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

#include "lab/labconnection.h"
#include "lab/stationruns.h"
#include "lab/stationtile.h"
#include "platform/iclock.h"
#include "platform/iprompts.h"
#include "platform/services.h"

namespace {
constexpr int kColumns = 4;
// Alarm first, then the ones at work, then idle, then the silent.
int StateRank(const QString& state) {
  if (state == QLatin1String("alarm")) return 0;
  if (state == QLatin1String("recording") || state == QLatin1String("capturing")) return 1;
  if (state == QLatin1String("idle")) return 2;
  return 3;
}
}  // namespace

TClassView::TClassView(const TLabSettings& settings, bool connect, QWidget* parent)
    : QMainWindow(parent), FSettings(settings), FTileValues(TTileValues::Load()) {
  setWindowTitle(QStringLiteral("Quorlex Class View - %1").arg(settings.Lab));
  resize(1000, 700);
  auto* bar = addToolBar(QStringLiteral("Class"));
  bar->setMovable(false);
  bar->addWidget(new QLabel(QStringLiteral(" Filter: "), bar));
  FFilter = new QLineEdit(bar);
  FFilter->setPlaceholderText(QStringLiteral("station, rig or exercise"));
  FFilter->setClearButtonEnabled(true);
  FFilter->setMaximumWidth(260);
  bar->addWidget(FFilter);
  bar->addWidget(new QLabel(QStringLiteral("  Sort by: "), bar));
  FSort = new QComboBox(bar);
  FSort->addItems({QStringLiteral("Station"), QStringLiteral("State"), QStringLiteral("Rig")});
  bar->addWidget(FSort);
  bar->addSeparator();
  QAction* values = bar->addAction(QStringLiteral("Values shown..."));
  values->setToolTip(QStringLiteral("Choose the three live values the tiles of a rig show"));
  QObject::connect(values, &QAction::triggered, this, &TClassView::ChooseValues);
  QAction* save = bar->addAction(QStringLiteral("Save all runs..."));
  QObject::connect(save, &QAction::triggered, this, &TClassView::SaveAllRuns);
  QObject::connect(FFilter, &QLineEdit::textChanged, this, &TClassView::Arrange);
  QObject::connect(FSort, &QComboBox::currentIndexChanged, this, &TClassView::Arrange);

  auto* area = new QScrollArea(this);
  auto* holder = new QWidget(area);
  FGrid = new QGridLayout(holder);
  FGrid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  area->setWidget(holder);
  area->setWidgetResizable(true);
  setCentralWidget(area);
  FConnectionLabel = new QLabel(this);
  statusBar()->addPermanentWidget(FConnectionLabel, 1);

  QObject::connect(&FCollector, &TLabCollector::StationChanged, this, &TClassView::StationChanged);
  FTimer.setInterval(1000);
  QObject::connect(&FTimer, &QTimer::timeout, this, &TClassView::Refresh);
  FTimer.start();
  if (connect) {
    FConnection = std::make_unique<TLabConnection>(settings, QStringLiteral("quorlex-view"));
    // Runs sent while the view was closed wait at the broker for it.
    FConnection->SetPersistentSession(
        QStringLiteral("quorlex-view-%1-%2").arg(TLabSettings::TopicSafe(settings.Lab), settings.StationName()).left(120));
    FConnection->AddSubscription(QStringLiteral("quorlex/%1/#").arg(TLabSettings::TopicSafe(settings.Lab)));
    QObject::connect(FConnection.get(), &TLabConnection::Message, &FCollector, &TLabCollector::Receive);
    QObject::connect(FConnection.get(), &TLabConnection::StateChanged, this, &TClassView::UpdateConnectionText);
    FConnection->Start();
  }
  UpdateConnectionText();
}

TClassView::~TClassView() = default;

QString TClassView::StatusText() const { return FConnectionLabel->text(); }

void TClassView::UpdateConnectionText() {
  const int stations = static_cast<int>(FCollector.Stations().size());
  const QString link = FConnection ? TLabConnection::StateText(FConnection->State()) : QStringLiteral("Lab: not connected");
  FConnectionLabel->setText(QStringLiteral("%1; %2 station%3").arg(link).arg(stations).arg(stations == 1 ? "" : "s"));
  if (FConnection) FConnectionLabel->setToolTip(FConnection->Detail());
}

void TClassView::StationChanged(const QString& name) {
  const TLabCollector::TStation* s = FCollector.Station(name);
  if (!s) return;
  TStationTile*& tile = FTiles[name];
  const bool fresh = !tile;
  if (fresh) {
    tile = new TStationTile(name);
    QObject::connect(tile, &TStationTile::Opened, this, &TClassView::OpenStation);
    QObject::connect(tile, &TStationTile::ValuesRequested, this, [this](const QString& station) {
      if (const TLabCollector::TStation* st = FCollector.Station(station)) ChooseValuesFor(st->Status.Rig);
    });
  }
  ShowTile(name, tile, TServices::Clock().TickCountMs());
  if (fresh) {
    Arrange();
    UpdateConnectionText();
  }
}

void TClassView::Refresh() {
  const std::int64_t now = TServices::Clock().TickCountMs();
  for (auto& [name, tile] : FTiles) ShowTile(name, tile, now);
  if (FSort->currentIndex() == 1) Arrange();
}

void TClassView::ShowTile(const QString& name, TStationTile* tile, std::int64_t now) {
  if (const TLabCollector::TStation* s = FCollector.Station(name))
    tile->Show(*s, FCollector.Silent(*s, now), FTileValues.Chosen(s->Status.Rig));
}

void TClassView::Arrange() {
  const QString filter = FFilter->text().trimmed();
  std::vector<TStationTile*> order;
  for (auto& [name, tile] : FTiles) {
    const TLabCollector::TStation* s = FCollector.Station(name);
    const bool match = filter.isEmpty() || name.contains(filter, Qt::CaseInsensitive) ||
                       (s && (s->Status.Rig.contains(filter, Qt::CaseInsensitive) || s->Status.Exercise.contains(filter, Qt::CaseInsensitive)));
    tile->setVisible(match);
    if (match) order.push_back(tile);
  }
  const int by = FSort->currentIndex();
  const std::int64_t now = TServices::Clock().TickCountMs();
  std::stable_sort(order.begin(), order.end(), [&](TStationTile* a, TStationTile* b) {
    const TLabCollector::TStation* sa = FCollector.Station(a->Name());
    const TLabCollector::TStation* sb = FCollector.Station(b->Name());
    if (by == 1) {
      const int ra = FCollector.Silent(*sa, now) ? 4 : StateRank(sa->Status.State);
      const int rb = FCollector.Silent(*sb, now) ? 4 : StateRank(sb->Status.State);
      if (ra != rb) return ra < rb;
    } else if (by == 2 && sa->Status.Rig != sb->Status.Rig) {
      return sa->Status.Rig.localeAwareCompare(sb->Status.Rig) < 0;
    }
    return a->Name().localeAwareCompare(b->Name()) < 0;
  });
  if (order == FOrder) return;
  FOrder = order;
  for (auto& [name, tile] : FTiles) FGrid->removeWidget(tile);
  for (int i = 0; i < static_cast<int>(order.size()); ++i) FGrid->addWidget(order[static_cast<size_t>(i)], i / kColumns, i % kColumns);
}

std::vector<TStationTile*> TClassView::ShownTiles() const { return FOrder; }

TStationTile* TClassView::Tile(const QString& name) const {
  const auto it = FTiles.find(name);
  return it == FTiles.end() ? nullptr : it->second;
}

void TClassView::OpenStation(const QString& name) {
  const TLabCollector::TStation* s = FCollector.Station(name);
  if (!s) return;
  if (s->Runs.empty()) {
    TServices::Prompts().MessageDlg(QStringLiteral("%1 has sent no runs yet.").arg(name), TMsgDlgType::mtInformation,
                                    TMsgDlgButtons::OK);
    return;
  }
  auto* dialog = new TStationRuns(*s, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

void TClassView::SaveAllRuns() {
  int runs = 0;
  for (const auto& [name, s] : FCollector.Stations()) runs += static_cast<int>(s.Runs.size());
  if (runs == 0) {
    TServices::Prompts().MessageDlg(QStringLiteral("No station has sent a run yet."), TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
    return;
  }
  TFileDialogRequest request;
  request.Title = QStringLiteral("Save all runs into a new folder");
  request.Filter = QStringLiteral("Folder|*");
  request.InitialDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  request.FileName = QStringLiteral("%1 runs %2").arg(FSettings.Lab, QDate::currentDate().toString(Qt::ISODate));
  const std::optional<QString> folder = TServices::Prompts().SaveFileDialog(request);
  if (!folder || folder->isEmpty()) return;
  QStringList errors;
  const QStringList written = FCollector.SaveAllRuns(*folder, errors);
  if (!errors.isEmpty()) {
    TServices::Prompts().MessageDlg(QStringLiteral("Some runs were not saved:\n%1").arg(errors.join(QLatin1Char('\n'))),
                                    TMsgDlgType::mtError, TMsgDlgButtons::OK);
    return;
  }
  statusBar()->showMessage(QStringLiteral("%1 file%2 saved in %3").arg(written.size()).arg(written.size() == 1 ? "" : "s")
                               .arg(QDir::toNativeSeparators(*folder)), 10000);
}

QStringList TClassView::PublishedNames(const QString& rig) const {
  QStringList names;
  for (const auto& [name, s] : FCollector.Stations())
    if (s.Status.Rig == rig)
      for (const TLabPayload::TValue& v : s.Values.Values)
        if (!names.contains(v.Name)) names << v.Name;
  return names;
}

void TClassView::ChooseValues() {
  QStringList rigs;
  for (const auto& [name, s] : FCollector.Stations())
    if (!s.Values.Values.empty() && !rigs.contains(s.Status.Rig)) rigs << s.Status.Rig;
  if (rigs.isEmpty()) {
    TServices::Prompts().MessageDlg(QStringLiteral("No station has sent live values yet."), TMsgDlgType::mtInformation,
                                    TMsgDlgButtons::OK);
    return;
  }
  rigs.sort(Qt::CaseInsensitive);
  if (rigs.size() == 1) {
    ChooseValuesFor(rigs.first());
    return;
  }
  TChoiceRequest request;
  request.Caption = QStringLiteral("Values shown");
  request.Text = QStringLiteral("The tiles of which rig?");
  for (const QString& rig : rigs) request.Items << (rig.isEmpty() ? QStringLiteral("(no rig title)") : rig);
  const std::optional<int> picked = TServices::Prompts().ChooseItem(request);
  if (!picked || *picked < 0 || *picked >= rigs.size()) return;
  ChooseValuesFor(rigs[*picked]);
}

void TClassView::ChooseValuesFor(const QString& rig) {
  const QString title = rig.isEmpty() ? QStringLiteral("(no rig title)") : rig;
  QStringList offered = PublishedNames(rig);
  const QStringList current = FTileValues.Chosen(rig);
  // A value chosen earlier stays on offer while the stations are not sending it.
  for (const QString& name : current)
    if (!offered.contains(name)) offered << name;
  if (offered.isEmpty()) {
    TServices::Prompts().MessageDlg(QStringLiteral("No station of %1 has sent live values yet.").arg(title),
                                    TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
    return;
  }
  QStringList chosen;
  for (int slot = 0; slot < TTileValues::Shown; ++slot) {
    QStringList left;
    for (const QString& name : offered)
      if (!chosen.contains(name)) left << name;
    if (left.isEmpty()) break;
    TChoiceRequest request;
    request.Caption = QStringLiteral("Values shown");
    request.Text = QStringLiteral("Value %1 of %2 on the tiles of %3:").arg(slot + 1).arg(TTileValues::Shown).arg(title);
    // The first item ends the list: for the first value it means "no choice of mine".
    request.Items << (slot == 0 ? QStringLiteral("The first values each station sends") : QStringLiteral("No more values"));
    request.Items << left;
    request.Default = 0;
    if (slot < current.size() && left.contains(current[slot])) request.Default = static_cast<int>(left.indexOf(current[slot])) + 1;
    const std::optional<int> picked = TServices::Prompts().ChooseItem(request);
    if (!picked || *picked < 0 || *picked > left.size()) return;  // cancelled: nothing changes
    if (*picked == 0) break;
    chosen << left[*picked - 1];
  }
  FTileValues.Choose(rig, chosen);
  QString error;
  if (!FTileValues.Save(&error))
    TServices::Prompts().MessageDlg(QStringLiteral("The values chosen are shown but were not kept for next time:\n%1").arg(error),
                                    TMsgDlgType::mtError, TMsgDlgButtons::OK);
  Refresh();
}
