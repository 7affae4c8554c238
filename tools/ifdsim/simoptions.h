#pragma once
// The simulator's settings: command-line options, with the card and inverter settings also
// readable from the [cards] section of the plant file (the command line wins).

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "cardspec.h"
#include "faultplan.h"
#include "inifile.h"
#include "inverter.h"

class TPlantModel;

class TSimOptions {
 public:
  TSimOptions();

  // Parses the arguments (without the program name), reads the plant file and settles every
  // default. Notes for the user (a missing plant file) go to *notes.
  bool Load(const QStringList& args, TPlantModel& plant, QStringList* notes, QString* error);
  // The command line alone; Finish() must follow.
  bool Parse(const QStringList& args, QString* error);
  // Applies settings from the plant file that the command line did not give.
  bool ApplyPlantSettings(const QList<TIniFile::TEntry>& entries, QString* error);
  bool Finish(QString* error);
  static QString HelpText();

  bool Help = false;
  bool Version = false;
  QString Rig, PlantFile, SerialDir, DeviceDir, LogFile;
  bool Serial = true, Devices = true;
  int Baud = 38400;     // serial line rate, 8N1
  bool Pacing = true;   // replies leave at the line rate
  bool CountingInputs = false;  // analogue inputs serve TPlantModel::CountingValue
  TCardSpec Cards[2];  // master, slave
  TInverter::TType InverterType = TInverter::TType::None;
  int InverterProgram = 0;
  QSet<QByteArray> InverterNak;
  std::optional<int> CaptureRig;  // code on digital inputs 2-5
  double FrequencyGate = 0.1;  // seconds
  std::optional<quint32> Seed;
  TFaultPlan::TSettings Faults;

 private:
  bool Apply(const QString& name, const QString& value, QString* error);

  QSet<QString> FGiven;
  bool FNakGiven = false;
};
