#include "lab/labpayload.h"

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/datetime.h"
#include "platform/iclock.h"
#include "platform/services.h"

namespace {
const QString kSchema = QStringLiteral("schema");
const QString kVersion = QStringLiteral("version");

QJsonObject Head(const char* schema) {
  QJsonObject o;
  o[kSchema] = QStringLiteral("quorlex-lab/") + QLatin1String(schema);
  o[kVersion] = TLabPayload::Version;
  return o;
}

QByteArray Bytes(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

// The message's object when it is JSON of the schema and version this program reads.
bool Open(const QByteArray& bytes, const char* schema, QJsonObject& o, QString* error) {
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject())
    return Fail(error, QStringLiteral("not a JSON object (%1)").arg(parse.errorString()));
  o = doc.object();
  const QString want = QStringLiteral("quorlex-lab/") + QLatin1String(schema);
  if (o.value(kSchema).toString() != want)
    return Fail(error, QStringLiteral("not a %1 message").arg(want));
  if (o.value(kVersion).toInt(-1) != TLabPayload::Version)
    return Fail(error, QStringLiteral("version %1 is not read here (this program reads %2)")
                           .arg(o.value(kVersion).toVariant().toString())
                           .arg(TLabPayload::Version));
  return true;
}

QJsonValue Number(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonValue Cell(const TLabCell& cell) {
  if (const double* d = std::get_if<double>(&cell)) return std::isfinite(*d) ? QJsonValue(*d) : QJsonValue();
  if (const QString* s = std::get_if<QString>(&cell)) return *s;
  if (const TLabError* e = std::get_if<TLabError>(&cell)) return QJsonObject{{QStringLiteral("error"), e->Code}};
  return QJsonValue();
}

TLabCell CellOf(const QJsonValue& v) {
  if (v.isDouble()) return v.toDouble();
  if (v.isString()) return v.toString();
  if (v.isObject()) return TLabError{v.toObject().value(QStringLiteral("error")).toString()};
  return std::monostate{};
}
}  // namespace

QString TLabPayload::Now() {
  return datetime::ToQDateTime(TServices::Clock().Now()).toUTC().toString(Qt::ISODateWithMs);
}

QByteArray TLabPayload::Status(const TStatus& s) {
  QJsonObject o = Head("status");
  o[QStringLiteral("station")] = s.Station;
  o[QStringLiteral("lab")] = s.Lab;
  o[QStringLiteral("rig")] = s.Rig;
  o[QStringLiteral("exercise")] = s.Exercise;
  o[QStringLiteral("state")] = s.State;
  o[QStringLiteral("program")] = s.Program;
  o[QStringLiteral("changed")] = s.Changed;
  o[QStringLiteral("runs")] = s.Runs;
  return Bytes(o);
}

QByteArray TLabPayload::Values(const TValues& v) {
  QJsonObject o = Head("values");
  o[QStringLiteral("time")] = v.Time;
  QJsonArray list;
  for (const TValue& value : v.Values)
    list.append(QJsonObject{{QStringLiteral("name"), value.Name},
                            {QStringLiteral("units"), value.Units},
                            {QStringLiteral("value"), Number(value.Value)}});
  o[QStringLiteral("values")] = list;
  return Bytes(o);
}

QByteArray TLabPayload::Alarm(const TAlarm& a) {
  QJsonObject o = Head("alarm");
  o[QStringLiteral("time")] = a.Time;
  o[QStringLiteral("event")] = a.Event;
  o[QStringLiteral("name")] = a.Name;
  o[QStringLiteral("text")] = a.Text;
  return Bytes(o);
}

QByteArray TLabPayload::Run(const TLabRun& run) {
  QJsonObject o = Head("run");
  o[QStringLiteral("id")] = run.Id;
  o[QStringLiteral("revision")] = run.Revision;
  o[QStringLiteral("station")] = run.Station;
  o[QStringLiteral("rig")] = run.Rig;
  o[QStringLiteral("exercise")] = run.Exercise;
  o[QStringLiteral("name")] = run.Name;
  o[QStringLiteral("ended")] = run.Ended;
  QJsonArray columns;
  for (const TLabColumn& c : run.Columns)
    columns.append(QJsonObject{{QStringLiteral("title"), c.Title}, {QStringLiteral("units"), c.Units}});
  o[QStringLiteral("columns")] = columns;
  QJsonArray rows;
  for (const std::vector<TLabCell>& row : run.Rows) {
    QJsonArray cells;
    for (const TLabCell& cell : row) cells.append(Cell(cell));
    rows.append(cells);
  }
  o[QStringLiteral("rows")] = rows;
  return Bytes(o);
}

bool TLabPayload::ReadStatus(const QByteArray& bytes, TStatus& s, QString* error) {
  QJsonObject o;
  if (!Open(bytes, "status", o, error)) return false;
  s.Station = o.value(QStringLiteral("station")).toString();
  s.Lab = o.value(QStringLiteral("lab")).toString();
  s.Rig = o.value(QStringLiteral("rig")).toString();
  s.Exercise = o.value(QStringLiteral("exercise")).toString();
  s.State = o.value(QStringLiteral("state")).toString();
  s.Program = o.value(QStringLiteral("program")).toString();
  s.Changed = o.value(QStringLiteral("changed")).toString();
  s.Runs = o.value(QStringLiteral("runs")).toInt();
  if (s.State.isEmpty()) return Fail(error, QStringLiteral("a status without a state"));
  return true;
}

bool TLabPayload::ReadValues(const QByteArray& bytes, TValues& v, QString* error) {
  QJsonObject o;
  if (!Open(bytes, "values", o, error)) return false;
  v.Time = o.value(QStringLiteral("time")).toString();
  v.Values.clear();
  for (const QJsonValue& item : o.value(QStringLiteral("values")).toArray()) {
    const QJsonObject e = item.toObject();
    TValue value{e.value(QStringLiteral("name")).toString(), e.value(QStringLiteral("units")).toString(), std::nullopt};
    if (e.value(QStringLiteral("value")).isDouble()) value.Value = e.value(QStringLiteral("value")).toDouble();
    v.Values.push_back(value);
  }
  return true;
}

bool TLabPayload::ReadAlarm(const QByteArray& bytes, TAlarm& a, QString* error) {
  QJsonObject o;
  if (!Open(bytes, "alarm", o, error)) return false;
  a.Time = o.value(QStringLiteral("time")).toString();
  a.Event = o.value(QStringLiteral("event")).toString();
  a.Name = o.value(QStringLiteral("name")).toString();
  a.Text = o.value(QStringLiteral("text")).toString();
  if (a.Event != QLatin1String("raised") && a.Event != QLatin1String("cleared"))
    return Fail(error, QStringLiteral("an alarm event that is neither raised nor cleared"));
  return true;
}

bool TLabPayload::ReadRun(const QByteArray& bytes, TLabRun& run, QString* error) {
  QJsonObject o;
  if (!Open(bytes, "run", o, error)) return false;
  run = TLabRun{};
  run.Id = o.value(QStringLiteral("id")).toString();
  if (run.Id.isEmpty()) return Fail(error, QStringLiteral("a run without an id"));
  run.Revision = o.value(QStringLiteral("revision")).toInt(1);
  run.Station = o.value(QStringLiteral("station")).toString();
  run.Rig = o.value(QStringLiteral("rig")).toString();
  run.Exercise = o.value(QStringLiteral("exercise")).toString();
  run.Name = o.value(QStringLiteral("name")).toString();
  run.Ended = o.value(QStringLiteral("ended")).toString();
  for (const QJsonValue& c : o.value(QStringLiteral("columns")).toArray())
    run.Columns.push_back({c.toObject().value(QStringLiteral("title")).toString(),
                           c.toObject().value(QStringLiteral("units")).toString()});
  for (const QJsonValue& r : o.value(QStringLiteral("rows")).toArray()) {
    std::vector<TLabCell> row;
    for (const QJsonValue& cell : r.toArray()) row.push_back(CellOf(cell));
    run.Rows.push_back(std::move(row));
  }
  return true;
}
