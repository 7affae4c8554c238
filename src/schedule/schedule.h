#pragma once
// One output schedule as its items: the slots ("1 s=0"), the marker "params=begin", then the six
// parameters (typechannel, intervalmode, repeat, cycles, changemode, nameschedule).

#include <QString>
#include <QStringList>

enum TTimePointMode { incremental, continuos, wrong };
enum TChangeMode { cmsteps, cmlinear };

class TSchedule {
 public:
  // The six parameter texts, as the editor holds them.
  struct TParams {
    QString typechannel = QStringLiteral("AO");
    QString intervalmode = QStringLiteral("INC");
    QString repeat = QStringLiteral("NRIP");
    QString cycles = QStringLiteral("0");
    QString changemode = QStringLiteral("STEP");
    QString nameschedule = QStringLiteral("unnamed");
  };

  static constexpr const char* ParamsMarker = "params=begin";
  // The built-in schedule of a channel that has none stored.
  static constexpr const char* DefaultText =
      "\"1 s=0\" \"2 s=0\" \"3 s=0\" \"params=begin\" \"typechannel=AO\" \"intervalmode=INC\" "
      "\"repeat=NRIP\" \"cycles=0\" \"changemode=STEP\" \"nameschedule=default\"";

  TSchedule() = default;
  explicit TSchedule(QStringList items) : FItems(std::move(items)) {}

  const QStringList& Items() const { return FItems; }
  // The items before the last "params=begin"; none when there is no marker.
  QStringList Slots() const;
  // A parameter by name (the text before the first "="); empty when missing.
  QString Param(const QString& name) const;
  TParams Params() const;

  static TTimePointMode ModeOf(const QString& intervalmode);
  static QString ModeText(TTimePointMode mode);  // "INC", "CON", "wrong"
  static TChangeMode ChangeModeOf(const QString& changemode);

  // The editor's schedule as one text: every item quoted, blank-separated; the interval mode
  // written from `mode`.
  static QString Compose(const QStringList& slotRows, const TParams& params, TTimePointMode mode);
  // One item in quotes, an inner quote doubled so the item reads back as it was; a line break
  // becomes a blank, as a stored line is one line.
  static QString Quoted(const QString& item);
  // The status line: "[s] AO INC NRIP C:0 STEP name schedule: default".
  static QString Summary(int unitCode, const TParams& params);

 private:
  int MarkerIndex() const;
  QStringList FItems;
};
