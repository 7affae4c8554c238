#include "lab/stationtile.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "lab/tilevalues.h"

TStationTile::TStationTile(const QString& name, QWidget* parent) : QFrame(parent), FName(name) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(2);
  setAutoFillBackground(true);
  setFixedSize(230, 150);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(1);
  FTitle = new QLabel(this);
  QFont bold = FTitle->font();
  bold.setBold(true);
  FTitle->setFont(bold);
  FRig = new QLabel(this);
  FRig->setWordWrap(true);
  FValues = new QLabel(this);
  FAlarm = new QLabel(this);
  FAlarm->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
  FSeen = new QLabel(this);
  for (QLabel* l : {FTitle, FRig, FValues, FAlarm, FSeen}) layout->addWidget(l);
  layout->addStretch();
  setToolTip(QStringLiteral("Double-click for this station's runs"));
  auto* choose = new QAction(QStringLiteral("Choose values shown..."), this);
  connect(choose, &QAction::triggered, this, [this] { emit ValuesRequested(FName); });
  addAction(choose);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

QColor TStationTile::StateColour(const QString& state) {
  if (state == QLatin1String("recording")) return QColor(0xc8, 0xf0, 0xc8);
  if (state == QLatin1String("capturing")) return QColor(0xc8, 0xdc, 0xff);
  if (state == QLatin1String("alarm")) return QColor(0xff, 0xb4, 0xb4);
  if (state == QLatin1String("offline")) return QColor(0xd0, 0xd0, 0xd0);
  return QColor(0xf4, 0xf4, 0xe8);  // idle
}

namespace {
// Qt repaints a label for any setText; most rounds change one line of a tile, or none.
void SetText(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}
}  // namespace

void TStationTile::Show(const TLabCollector::TStation& s, bool silent, const QStringList& chosen) {
  FGreyed = silent;
  const QString state = s.Status.State.isEmpty() ? QStringLiteral("idle") : s.Status.State;
  // A new palette repolishes the tile and its labels: only when the colour changes.
  const QColor background = silent ? QColor(0xd0, 0xd0, 0xd0) : StateColour(state);
  if (background != FBackground) {
    FBackground = background;
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, silent ? QColor(0x70, 0x70, 0x70) : QColor(Qt::black));
    setPalette(p);
  }
  SetText(FTitle, QStringLiteral("%1 - %2").arg(s.Name, silent && state != QLatin1String("offline") ? QStringLiteral("silent") : state));
  SetText(FRig, s.Status.Exercise.isEmpty() ? s.Status.Rig : QStringLiteral("%1\n%2").arg(s.Status.Rig, s.Status.Exercise));
  SetText(FValues, TTileValues::Lines(s.Values, chosen).join(QLatin1Char('\n')));
  SetText(FAlarm, s.AlarmText);
  if (FAlarm->isVisible() == s.AlarmText.isEmpty()) FAlarm->setVisible(!s.AlarmText.isEmpty());
  const int runs = static_cast<int>(s.Runs.size());
  SetText(FSeen, QStringLiteral("Last seen %1; %2").arg(s.LastHeard.isEmpty() ? QStringLiteral("never") : s.LastHeard,
                                                         runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs)));
}

QStringList TStationTile::Texts() const {
  QStringList r;
  for (const QLabel* l : {FTitle, FRig, FValues, FAlarm, FSeen})
    if (!l->text().isEmpty()) r << l->text().split(QLatin1Char('\n'));
  return r;
}

void TStationTile::mouseDoubleClickEvent(QMouseEvent* event) {
  emit Opened(FName);
  event->accept();
}
