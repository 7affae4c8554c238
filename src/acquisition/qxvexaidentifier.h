#pragma once
// Checks once, through the inverter link of a legacy card, which program the inverter holds and
// which capture rig is connected (its code on digital inputs 2-5), and warns when they do not
// match each other or this program. The reads of J01, H10 and then A05 each wait 200 ms for the
// reply on a timer, so the window keeps running; an undecided check starts again at a later tick.

#include <QString>

#include "acquisition/qxsource.h"
#include "inverter/inverterquery.h"
#include "inverter/invertertype.h"

class TQXVexaIdentifier : public TQXSource {
  Q_OBJECT
 public:
  explicit TQXVexaIdentifier(QObject* owner = nullptr);

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;

  // The exchange's reads, for tests that move their own clock.
  TInverterQuery& Query() { return FQuery; }
  bool Checking() const { return FChecking; }

  static QString SoftwareMismatchText(int software, int apparatus);
  static QString ProgramMismatchText(int program, int apparatus);

  bool CheckedInverter = false;
  bool CheckedEquipment = false;
  bool NotDisplayedYet = true;
  int InverterProgram = 0;
  int InverterType = na_inv;
  int Apparatus = 0;
  int Software = 0;

 private:
  void RepliesToJ01AndH10(bool j01, bool h10);
  void ReplyToA05(const QString& rendered);
  // The end of one check: the program and rig shown, the warnings once the inverter is known.
  void Conclude();
  void ShowInDialog(bool version, const QString& text);

  TInverterQuery FQuery;
  bool FChecking = false;
};
