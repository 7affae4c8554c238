#include "schedule/schedule.h"

#include "schedule/scheduletime.h"

int TSchedule::MarkerIndex() const { return static_cast<int>(FItems.lastIndexOf(QLatin1String(ParamsMarker))); }

QStringList TSchedule::Slots() const {
  const int marker = MarkerIndex();
  return marker < 0 ? QStringList() : FItems.mid(0, marker);
}

QString TSchedule::Param(const QString& name) const {
  for (int i = MarkerIndex() + 1; i < FItems.size(); ++i)
    if (scheduletime::RowKey(FItems[i]) == name) return scheduletime::RowValue(FItems[i]);
  return QString();
}

TSchedule::TParams TSchedule::Params() const {
  TParams p;
  p.typechannel = Param(QStringLiteral("typechannel"));
  p.intervalmode = Param(QStringLiteral("intervalmode"));
  p.repeat = Param(QStringLiteral("repeat"));
  p.cycles = Param(QStringLiteral("cycles"));
  p.changemode = Param(QStringLiteral("changemode"));
  p.nameschedule = Param(QStringLiteral("nameschedule"));
  return p;
}

TTimePointMode TSchedule::ModeOf(const QString& intervalmode) {
  if (intervalmode == QLatin1String("INC")) return incremental;
  if (intervalmode == QLatin1String("CON")) return continuos;
  return wrong;
}

QString TSchedule::ModeText(TTimePointMode mode) {
  switch (mode) {
    case incremental: return QStringLiteral("INC");
    case continuos: return QStringLiteral("CON");
    case wrong: break;
  }
  return QStringLiteral("wrong");
}

TChangeMode TSchedule::ChangeModeOf(const QString& changemode) {
  return changemode == QLatin1String("STEP") ? cmsteps : cmlinear;
}

QString TSchedule::Quoted(const QString& item) {
  QString text = item;
  text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  // A stored line is one line of the settings file.
  text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

QString TSchedule::Compose(const QStringList& slotRows, const TParams& params, TTimePointMode mode) {
  QString text;
  for (const QString& row : slotRows) text += Quoted(row) + QLatin1Char(' ');
  text += Quoted(QLatin1String(ParamsMarker));
  const QString items[] = {
      QStringLiteral("typechannel=") + params.typechannel, QStringLiteral("intervalmode=") + ModeText(mode),
      QStringLiteral("repeat=") + params.repeat,           QStringLiteral("cycles=") + params.cycles,
      QStringLiteral("changemode=") + params.changemode,   QStringLiteral("nameschedule=") + params.nameschedule};
  for (const QString& item : items) text += QLatin1Char(' ') + Quoted(item);
  return text;
}

QString TSchedule::Summary(int unitCode, const TParams& p) {
  QString type = QStringLiteral("TypeCh:?");
  if (p.typechannel == QLatin1String("AO") || p.typechannel == QLatin1String("SetPoint") ||
      p.typechannel == QLatin1String("DO"))
    type = p.typechannel;
  const TTimePointMode mode = ModeOf(p.intervalmode);
  const QString modeText = mode == wrong ? QStringLiteral("PM?") : ModeText(mode);
  QString repeat = QStringLiteral("reap:?");
  if (p.repeat == QLatin1String("RIP") || p.repeat == QLatin1String("NRIP")) repeat = p.repeat;
  const QString change = ChangeModeOf(p.changemode) == cmsteps ? QStringLiteral("STEP") : QStringLiteral("LIN");
  return QStringLiteral("[%1] %2 %3 %4 C:%5 %6 name schedule: %7")
      .arg(scheduletime::UnitWord(unitCode), type, modeText, repeat, p.cycles, change, p.nameschedule);
}
