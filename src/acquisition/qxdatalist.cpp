#include "acquisition/qxdatalist.h"

#include <QGroupBox>
#include <QLabel>

#include "acquisition/isampletable.h"
#include "acquisition/qxanalogueconductivitysource.h"
#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxtextsource.h"
#include "acquisition/sourcefactory.h"
#include "acquisition/twostateimage.h"
#include "ifd/qxifd.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

namespace {
// The inputs of the channel lists: analogue inputs and conductivity probes.
TQXIFDAnalogueSource* MeasuredInput(TQXSource* s) {
  if (auto* a = qobject_cast<TQXAnalogueInputSource*>(s)) return a;
  return qobject_cast<TQXAnalogueConductivitySource*>(s);
}
}  // namespace

TQXDataList::TQXDataList(QWidget* MimicPanel, QObject* owner) : QObject(owner), FMimicPanel(MimicPanel) {
  TServices::SetDataList(this);
}

TQXDataList::~TQXDataList() {
  if (TServices::DataList() == this) TServices::SetDataList(nullptr);
  FSources.clear();
  FTextSources.clear();
  FObjects.clear();  // sources delete their own controls
  for (QGroupBox* frame : FFrames) delete frame;
}

void TQXDataList::Initialise(TRigConfig& rig, ISampleTable* table, IRigConfigHost* rigHost) {
  FTable = table;
  TDataSource_Definition::ResetDefinitionCount();
  while (true) {
    auto def = std::make_unique<TDataSource_Definition>(rig, rigHost);
    const data_Source_types kind = def->SourceType();
    if (kind == NO_MORE_DATASRC) {
      FDefinitions.push_back(std::move(def));
      break;
    }
    if (kind == FRAME_DATASRC) {
      AddFrame(FMimicPanel, *def);
    } else if (auto source = TSourceFactory::Create(kind)) {
      source->RegisterParent(FMimicPanel, *def);
      if ((kind == IFD_DATASRC || kind == CONDUCTIVITY_DATASRC) && TServices::IFD()) {
        auto* input = static_cast<TQXIFDAnalogueSource*>(source.get());
        TServices::IFD()->RegisterChannel(input->FChannel, input->MaxValue);
      }
      AddSource(std::move(source), TSourceFactory::IsListed(kind));
    } else {
      FSkipped << QStringLiteral("row %1: %2").arg(def->Row()).arg(QString::fromLatin1(DataSourceTypeName(kind)));
    }
    FDefinitions.push_back(std::move(def));
  }
  if (!FSkipped.isEmpty())
    TServices::Prompts().MessageDlg(
        QStringLiteral("These rows of datasrc.vts describe items this version of Quorlex cannot show; they are left "
                       "out:\n") + FSkipped.join(QLatin1Char('\n')),
        TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
  if (rig.ProgramType != TProgramType::ClientApp && TServices::IFD()) {
    TQXIFD& ifd = *TServices::IFD();
    ifd.ConfirmDigitals();
    ifd.OpenPorts();
    ifd.ResetDigitalOutputs();
  }
  if (rig.FLogicEngineActive)
    for (TQXSource* s : FSources) s->BindSouceConditions();
}

TQXSource* TQXDataList::AddSource(std::unique_ptr<TQXSource> source, bool listed) {
  TQXSource* s = source.get();
  if (listed) {
    FSources.push_back(s);
    if (auto* text = qobject_cast<TQXTextSource*>(s)) FTextSources.push_back(text);
  }
  FObjects.push_back(std::move(source));
  return s;
}

QGroupBox* TQXDataList::AddFrame(QWidget* DisplayParent, const TDataSource_Definition& definition) {
  if (!DisplayParent) return nullptr;
  const int left = definition.MimicData_X_Pos(), top = definition.MimicData_Y_Pos();
  const int width = definition.MimicLabel_X_Pos() - left, height = definition.MimicLabel_Y_Pos() - top;
  auto* box = new QGroupBox(definition.LongLabelText(), DisplayParent);
  box->setGeometry(left, top, width, height);
  auto inside = [&](const QWidget* w) {
    const QPoint p = w->pos();
    return w->parentWidget() == DisplayParent && w != box && left < p.x() && p.x() < left + width && top < p.y() &&
           p.y() < top + height;
  };
  // Labels first, then pictures, each keeping its place on screen.
  for (QLabel* label : DisplayParent->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
    if (inside(label)) {
      label->setParent(box);
      label->move(label->pos() - QPoint(left, top));
      label->show();
    }
  for (TTwoStateImage* image : DisplayParent->findChildren<TTwoStateImage*>(QString(), Qt::FindDirectChildrenOnly))
    if (inside(image)) {
      const QPoint p = image->pos();
      image->setParent(box);
      image->move(p - QPoint(left, top));
      image->show();
    }
  box->lower();
  box->show();
  FFrames.push_back(box);
  return box;
}

void TQXDataList::Update_All_Sources(bool UpDateDisplay, int Current_Count, TDateTime Start_Time) {
  for (TQXSource* s : FSources) s->Tick(Current_Count, Start_Time);
  if (!UpDateDisplay) return;
  for (TQXSource* s : FSources) s->DataDisplay();
}

void TQXDataList::TakeSample(int Sample_Transfer_Count) {
  for (TQXTextSource* s : FTextSources) s->DataWrite();
  if (FTable && TServices::SampleBook()) FTable->WriteRow(*TServices::SampleBook(), Sample_Transfer_Count, 2);
}

void TQXDataList::GetIFDHeaderList(QStringList& names, std::vector<float>& maxVolts, QStringList& units,
                                   std::vector<float>& minVolts) const {
  names.clear();
  units.clear();
  maxVolts.clear();
  minVolts.clear();
  for (TQXSource* s : FSources)
    if (auto* a = MeasuredInput(s)) {
      names << a->fShort_text;
      units << a->fUnits_text;
      maxVolts.push_back(static_cast<float>(a->MaxVolts()));
      minVolts.push_back(static_cast<float>(a->MinVolts()));
    }
}

void TQXDataList::GetIFDValues(QStringList& voltTexts, QStringList& valueTexts, std::vector<float>& volts,
                               std::vector<float>& values) const {
  voltTexts.clear();
  valueTexts.clear();
  volts.clear();
  values.clear();
  for (TQXSource* s : FSources)
    if (auto* a = MeasuredInput(s)) {
      voltTexts << a->VoltageString();
      valueTexts << a->ProcValueString();
      volts.push_back(static_cast<float>(a->VoltageValue()));
      values.push_back(static_cast<float>(a->TaredValue()));
    }
}

QStringList TQXDataList::AnalogueInputChannels() const {
  QStringList out;
  for (TQXSource* s : FSources)
    if (auto* a = qobject_cast<TQXAnalogueInputSource*>(s)) out << a->fLong_text + QLatin1Char('=') + QString::number(a->FChannel);
  return out;
}

QStringList TQXDataList::DigitalInputChannels() const {
  QStringList out;
  for (TQXSource* s : FSources)
    if (auto* d = qobject_cast<TQXDigitalInputSource*>(s)) out << d->fLong_text + QLatin1Char('=') + QString::number(d->FChannel);
  return out;
}
