#pragma once
// The program's launch parameters and version. The first argument holds name=value pairs separated
// by "¦"; a new instance gets the current serial ports that way ("¦COMm=3¦COMs=4").

#include <functional>

#include <QString>
#include <QStringList>

class TQrlInfo {
 public:
  static constexpr const char* ParameterNotFound = "AppInfo.ParameterNotFound";
  static constexpr const char* ParameterValueNotFound = "AppInfo.ParameterValueNotFound";
  static constexpr char16_t Separator = u'\u00A6';

  // `arguments` as the program got them (the program itself first, its options included);
  // `version` "a.b.c.d" (missing parts are 0).
  explicit TQrlInfo(const QStringList& arguments, const QString& version = QString());

  // The pieces of the first argument; start-up appends them to the main window's debug messages.
  QStringList ParameterPieces() const { return FPieces; }
  // The value of a name=value piece, or one of the two not-found texts.
  QString ParameterValue(const QString& name) const;
  // The port number given for "COMm" / "COMs", -1 when none (or unusable: see Warnings()).
  int getAppParamVal_COMm() const;
  int getAppParamsVal_COMs() const;
  // Launch parameters that were given but cannot be used, each a readable sentence.
  QStringList Warnings() const { return FWarnings; }

  // The argument for a new instance: the facade's current ports.
  void SetNewInstanceParamsSource(std::function<QString()> source) { FNewInstanceSource = std::move(source); }
  QString getNewInstanceParams() const;

  QString ExePath() const { return FExePath; }
  QString ExeName() const { return FExeName; }
  // "%d.%d.%d.%d".
  QString VersionText() const { return FVersion; }

  static QStringList SplitParameters(const QString& argument);

 private:
  int PortNumber(const QString& name);

  QStringList FPieces;
  QStringList FWarnings;
  int FCOMm = -1;
  int FCOMs = -1;
  std::function<QString()> FNewInstanceSource;
  QString FExePath;
  QString FExeName;
  QString FVersion;
};
