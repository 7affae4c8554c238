#pragma once
// The base of every diagram item: it owns its controls on the diagram panel, writes its value into
// its column of the sample row every tick, and shows the value as the run sheet formats it.

#include <memory>

#include <QObject>
#include <QString>

#include "acquisition/iconditions.h"
#include "platform/datetime.h"

class QLabel;
class QLineEdit;
class QWidget;
class TDataSource_Definition;
class TWorkbook;
class TRigConfig;
class TQXIFD;
class IAcquisitionHost;
enum class TProgramType;

class TQXSource : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* FontName = "MS Sans Serif";
  static constexpr int FontSize = 8;

  explicit TQXSource(QObject* owner = nullptr);
  ~TQXSource() override;

  // Virtual operations, in their fixed order.
  virtual void Click(QObject* Sender);
  virtual void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source);
  virtual void DataDisplay();
  virtual void DataWrite();
  virtual void Check_Validity(QObject* Sender);
  virtual void HideDisplay();
  // The logger's tick: brings the source's cell of the sample row up to date. Most sources just
  // write their value; the elapsed time and the sample number need the logger's start and count.
  virtual void Tick(int Current_Count, TDateTime Start_Time);

  void BindSouceConditions();

  // The program-wide hook to the main window.
  static void SetHost(IAcquisitionHost* host);
  static IAcquisitionHost* Host();

  int Source_Column = 0;
  int MaxValue = 0;
  QString fUnits_text, fShort_text, fLong_text;
  QLabel* Data_Label = nullptr;
  QLineEdit* Display_Box = nullptr;
  QWidget* Parent = nullptr;
  bool BeingUsedForPID = false;
  bool BeingUsedForControl = false;
  bool FConditionExist = false;
  std::unique_ptr<IConditions> FConditions;

 protected:
  // The base construction of every source with a label and a box.
  void BaseConstruction(QWidget* DisplayParent, const TDataSource_Definition& Source);
  // Sample-row access: write (Col := column, then Number or Text) and read back.
  void WriteNumber(double value) const { WriteColumn(Source_Column, value); }
  // Column `column` of the sample row := value (nothing for column 0), for sources that fill
  // more than their own column.
  static void WriteColumn(int column, double value);
  // Column `column` of the sample row emptied: the sample has no value there (nothing for 0).
  static void ClearColumn(int column);
  // The sample row's cell in `column` holds nothing (no reading arrived for it).
  static bool SampleEmpty(int column);
  // What the diagram shows for a value the sample does not have.
  static QString UnavailableText() { return QString(QChar(0x2014)); }
  void WriteText(const QString& text) const;
  static double SampleNumber(int column);
  static QString SampleFormattedText(int column);
  static TWorkbook* SampleBook();
  static TQXIFD* IFD();
  static TRigConfig* Rig();
  static TProgramType ProgramType();
  static QFont SourceFont();
  void ParseConditions(const QString& text);
  // The hint of the source's controls: its column's short text, or the definition's own hint for
  // a source without a column. Source_Column must be set.
  QString ColumnHint(const TDataSource_Definition& Source) const;

  // Data position and width of the definition.
  int FDataX = 0, FDataY = 0, FWidth = 0;
  QString FHint;
  bool FHasPosition = false;
};
