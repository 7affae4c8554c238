#include "shell/resultsmdi.h"

#include <QVBoxLayout>

#include "acquisition/qxdatalist.h"
#include "acquisition/qxloggerpanel.h"
#include "acquisition/qxsource.h"
#include "ifd/qxifd.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "results/graphform.h"
#include "results/tableform.h"
#include "rigconfig/rigconfig.h"
#include "shell/master.h"

TResultsMDI::TResultsMDI(TMaster& master, QWidget* parent) : QWidget(parent), FMaster(master), FPanel(new QWidget(this)) {
  setWindowTitle(QStringLiteral("Diagram"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FPanel, 0, Qt::AlignLeft | Qt::AlignTop);
  setFocusPolicy(Qt::ClickFocus);
}

TResultsMDI::~TResultsMDI() {
  // The tick stops first, then the sources, then the interface they drive.
  FLogger.reset();
  FDataList.reset();
  FIFD.reset();
}

bool TResultsMDI::Assemble(TRigConfig& rig) {
  if (FBackdrop.load(rig.Backdrop)) {
    QPalette pal = FPanel->palette();
    pal.setBrush(QPalette::Window, FBackdrop);
    FPanel->setPalette(pal);
    FPanel->setAutoFillBackground(true);
    FPanel->setFixedSize(FBackdrop.size());  // the picture is shown once, not tiled
  }
  try {
    FIFD = std::make_unique<TQXIFD>(nullptr, &FMaster);
    FDataList = std::make_unique<TQXDataList>(FPanel);
    TQXSource::SetHost(&FMaster);
    FMaster.Table()->Initialise();
    FDataList->Initialise(rig, &FMaster, &FMaster);
  } catch (const std::exception& e) {
    TServices::Prompts().MessageDlg(QString::fromUtf8(e.what()), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    return false;
  }
  if (rig.Using_Graph && FMaster.Graph())
    FMaster.Graph()->Initialise();
  else if (FMaster.Action("Graph"))
    FMaster.Action("Graph")->setEnabled(false);
  FLogger = std::make_unique<TQXLoggerPanel>(*FDataList, &FMaster);
  FMaster.Table()->SetLogger(FLogger.get());
  FLogger->Initialise(&FMaster, rig, FPanel);
  if (rig.fTable_Sample_Count) FMaster.SetNextResultsEnabled(false);
  if (!rig.Using_IFD) {
    FMaster.SetStatusPanel(3, QString());
    if (auto* a = FMaster.Action("Calibrate")) a->setEnabled(false);
    if (auto* a = FMaster.Action("IFDSettings")) a->setEnabled(false);
  }
  return true;
}

void TResultsMDI::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  FMaster.SetActiveForm(1);
}
