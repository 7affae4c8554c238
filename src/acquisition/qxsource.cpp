#include "acquisition/qxsource.h"

#include "acquisition/displaybox.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>

#include "acquisition/conditions.h"
#include "ifd/qxifd.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
IAcquisitionHost* gHost = nullptr;
constexpr int kSampleRow = 2;
}  // namespace

TQXSource::TQXSource(QObject* owner) : QObject(owner) {}

TQXSource::~TQXSource() {
  // The controls belong to the diagram panel, which may outlive the source.
  delete Data_Label;
  delete Display_Box;
}

void TQXSource::SetHost(IAcquisitionHost* host) { gHost = host; }
IAcquisitionHost* TQXSource::Host() { return gHost; }

TWorkbook* TQXSource::SampleBook() { return TServices::SampleBook(); }
TQXIFD* TQXSource::IFD() { return TServices::IFD(); }
TRigConfig* TQXSource::Rig() { return TServices::Rig(); }
TProgramType TQXSource::ProgramType() {
  return Rig() ? Rig()->ProgramType : TProgramType::StandAloneApp;
}

QFont TQXSource::SourceFont() {
  QFont f(QString::fromLatin1(FontName));
  f.setPointSize(FontSize);
  return f;
}

void TQXSource::Click(QObject* Sender) { Q_UNUSED(Sender); }

void TQXSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
}

void TQXSource::BaseConstruction(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  MaxValue = static_cast<int>(numbers::RoundHalfEven(Source.InitialVal()));
  Source_Column = Source.Column();
  fUnits_text = Source.UnitsLabelText();
  fShort_text = Source.ShortLabelText();
  fLong_text = Source.LongLabelText();
  Parent = DisplayParent;
  FDataX = Source.MimicData_X_Pos();
  FDataY = Source.MimicData_Y_Pos();
  FWidth = Source.Mimic_Item_Width();
  FHint = ColumnHint(Source);
  FHasPosition = !(Source.MimicLabel_X_Pos() == 0 && Source.MimicLabel_Y_Pos() == 0 && FDataX == 0 && FDataY == 0);
  if (!FHasPosition || !DisplayParent) return;

  Data_Label = new QLabel(fLong_text, DisplayParent);
  Data_Label->setFont(SourceFont());
  Data_Label->setAttribute(Qt::WA_TranslucentBackground);
  Data_Label->move(Source.MimicLabel_X_Pos(), Source.MimicLabel_Y_Pos());
  Data_Label->adjustSize();
  Data_Label->setToolTip(FHint);
  Data_Label->show();

  Display_Box = new QLineEdit(QStringLiteral(" "), DisplayParent);
  Display_Box->setReadOnly(true);
  Display_Box->setFont(SourceFont());
  Display_Box->setFocusPolicy(Qt::NoFocus);
  Display_Box->setGeometry(FDataX, FDataY, FWidth, Display_Box->sizeHint().height());
  Display_Box->setToolTip(FHint);
  Display_Box->show();
}

QString TQXSource::ColumnHint(const TDataSource_Definition& Source) const {
  if (Source_Column != 0 && Rig() && Source_Column < static_cast<int>(Rig()->ColumnStatus.size()))
    return Rig()->ColumnStatus[static_cast<size_t>(Source_Column)].short_text;
  return Source.NoColumnHintText();
}

void TQXSource::DataDisplay() {
  if (Display_Box && Display_Box->isVisible() && Source_Column != 0)
    displaybox::Show(Display_Box, SampleFormattedText(Source_Column) + QLatin1Char(' ') + fUnits_text);
}

void TQXSource::DataWrite() {}

void TQXSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Current_Count);
  Q_UNUSED(Start_Time);
  DataWrite();
}

void TQXSource::Check_Validity(QObject* Sender) { Q_UNUSED(Sender); }

void TQXSource::HideDisplay() {
  if (Data_Label) Data_Label->hide();
  if (Display_Box) Display_Box->hide();
}

void TQXSource::ParseConditions(const QString& text) {
  auto conditions = std::make_unique<TConditions>(*this);
  conditions->ParseConditions(text);
  FConditionExist = conditions->AnyValid();
  FConditions = std::move(conditions);
}

void TQXSource::BindSouceConditions() {
  if (FConditionExist && FConditions) FConditions->Bind();
}

void TQXSource::WriteColumn(int column, double value) {
  TWorkbook* book = SampleBook();
  if (!book || column <= 0) return;
  book->SetNumberRC(kSampleRow, column, value);
}

void TQXSource::ClearColumn(int column) {
  TWorkbook* book = SampleBook();
  if (!book || column <= 0) return;
  book->ClearRange(kSampleRow, column, kSampleRow, column);
}

bool TQXSource::SampleEmpty(int column) {
  TWorkbook* book = SampleBook();
  return book && column > 0 && book->ValueRC(kSampleRow, column).Kind == TValueKind::Empty;
}

void TQXSource::WriteText(const QString& text) const {
  TWorkbook* book = SampleBook();
  if (!book || Source_Column == 0) return;
  book->SetTextRC(kSampleRow, Source_Column, text);
}

double TQXSource::SampleNumber(int column) {
  TWorkbook* book = SampleBook();
  return book && column > 0 ? book->NumberRC(kSampleRow, column) : 0;
}

QString TQXSource::SampleFormattedText(int column) {
  TWorkbook* book = SampleBook();
  return book && column > 0 ? book->FormattedTextRC(kSampleRow, column) : QString();
}
