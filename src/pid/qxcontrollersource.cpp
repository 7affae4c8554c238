#include "pid/qxcontrollersource.h"

#include <algorithm>

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "pid/pidformat.h"
#include "pid/piddisplay.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

TQXControllerSource::TQXControllerSource(QObject* owner) : TQXSource(owner), FTypeOfApplication(ProgramType()) {}

TQXControllerSource::~TQXControllerSource() {
  PIDdisplay.reset();
  delete PIDButton;
  delete NameControl;
}

void TQXControllerSource::Create2(TProgramType Aside) {
  FTypeOfApplication = Aside;
  const bool client = Aside == TProgramType::ClientApp;
  FkickingType = client ? timer_off : timer_on;
  FCanEditPIDproperties = !client;
}

void TQXControllerSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  Create2(ProgramType());
  BaseConstruction(DisplayParent, Source);
  HideDisplay();
  Index = Rig() ? Rig()->Controller_Count : 1;
  if (DisplayParent) {
    NameControl = new QGroupBox(DisplayParent);
    NameControl->setGeometry(Source.MimicLabel_X_Pos(), Source.MimicLabel_Y_Pos(), Source.Mimic_Item_Width(), 50);
    NameControl->setFont(SourceFont());
    NameControl->setTitle(QStringLiteral(" ") + fShort_text + QStringLiteral(" - ") + fUnits_text + QStringLiteral(" "));
    NameControl->setToolTip(QStringLiteral("Controller"));
    const int h = QFontMetrics(SourceFont()).height();
    auto label = [&](const QString& text, int x, int y, int w) {
      auto* l = new QLabel(text, NameControl);
      l->setFont(SourceFont());
      l->setGeometry(x, y, w, h);
      l->installEventFilter(this);
      return l;
    };
    // The titles as wide as their text in this font; the values take the rest of the box.
    const QFontMetrics metrics(SourceFont());
    const int titles = std::max(metrics.horizontalAdvance(QStringLiteral("Mode:")), metrics.horizontalAdvance(QStringLiteral("S/P:"))) + 4;
    const int values = std::max(40, Source.Mimic_Item_Width() - titles - 13);
    StatusTitle = label(QStringLiteral("Mode:"), 5, 16, titles);
    StatusControl = label(QStringLiteral("Off"), 8 + titles, 16, values);
    SetPointTitle = label(QStringLiteral("S/P:"), 5, 32, titles);
    SetPointControl = label(QStringLiteral(" -"), 8 + titles, 32, values);
    NameControl->installEventFilter(this);
    NameControl->show();
    PIDButton = new QPushButton(fShort_text, DisplayParent);
    PIDButton->setGeometry(FDataX, FDataY, std::max(40, QFontMetrics(SourceFont()).horizontalAdvance(fShort_text) + 12), 20);
    PIDButton->setFont(SourceFont());
    PIDButton->setToolTip(QStringLiteral("PID %1").arg(Index));
    connect(PIDButton, &QPushButton::clicked, this, &TQXControllerSource::DButtonClick);
    PIDButton->show();
  }
  PIDdisplay = std::make_unique<TPIDdisplay>(this, FTypeOfApplication);
  if (FkickingType == timer_on) PIDdisplay->Timer1->start();
  PIDdisplay->Setup(Index);
  SetHints(QStringLiteral("Controls ") + PIDdisplay->ProcessVariableName() + QStringLiteral(" using ") +
           PIDdisplay->OutputsComboBox->currentText());
  if (!FCanEditPIDproperties) PIDdisplay->PanelBackground->setEnabled(false);
}

void TQXControllerSource::SetHints(const QString& hint) {
  if (NameControl) NameControl->setToolTip(hint);
  if (PIDButton) PIDButton->setToolTip(hint);
}

void TQXControllerSource::DButtonClick() {
  FCanEditPIDproperties = true;
  if (PIDdisplay) PIDdisplay->OpenWindow();
}

QString TQXControllerSource::GetProcessVariableName() const {
  return PIDdisplay ? PIDdisplay->ProcessVariableName() : QString();
}

void TQXControllerSource::DataWrite() {
  if (!PIDdisplay) return;
  const TPIDCalculator& c = PIDdisplay->Calc();
  if (StatusControl && SetPointControl) {
    switch (PIDdisplay->OperationalMode) {
      case TPIDdisplay::Automatic:
        StatusControl->setText(QStringLiteral("Auto"));
        SetPointControl->setText(pidformat::Fixed(c.SetPointTerm, 4, 1));
        break;
      case TPIDdisplay::Manual:
        StatusControl->setText(QStringLiteral("Manual"));
        SetPointControl->setText(QStringLiteral(" -"));
        break;
      default:
        StatusControl->setText(QStringLiteral("Off"));
        SetPointControl->setText(QStringLiteral(" -"));
        break;
    }
  }
  if (Source_Column == 0 || !SampleBook()) return;
  const double values[5] = {c.ProportionalTerm, c.IntegralTerm, c.DerivativeTerm, c.SetPointTerm,
                            PIDdisplay->OperationalMode == TPIDdisplay::Off ? 0 : c.PIDOutput};
  for (int i = 0; i < 5; ++i) SampleBook()->SetNumberRC(2, Source_Column + i, values[i]);
}

bool TQXControllerSource::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    DButtonClick();
    return true;
  }
  return TQXSource::eventFilter(watched, event);
}
