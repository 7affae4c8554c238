#include "acquisition/qxmaninpsource.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "results/columnformat.h"
#include "rigconfig/datasource_definition.h"
#include "workbook/model/numberformat.h"
#include "workbook/model/workbook.h"

TQXManInpSource::~TQXManInpSource() {
  delete EditBox;
  delete ButtonDisplay;
}

void TQXManInpSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  ManInpEditMask = EditMask();
  DataValue = Source.InitialVal();
  FEditText = ManInpEditMask.isEmpty() ? TNumberFormat::General(Source.InitialVal())
                                       : TNumberFormat(ManInpEditMask).Format(Source.InitialVal());
  if (Display_Box) Display_Box->hide();
  if (FHasPosition && DisplayParent) {
    EditBox = new QLineEdit(FEditText, DisplayParent);
    EditBox->setFont(SourceFont());
    EditBox->setGeometry(FDataX, FDataY, FWidth, EditBox->sizeHint().height());
    EditBox->installEventFilter(this);
    EditBox->show();
    connect(EditBox, &QLineEdit::textEdited, this, [this](const QString& t) { FEditText = t; });
    ButtonDisplay = new QPushButton(DisplayParent);
    ButtonDisplay->setFont(SourceFont());
    ButtonDisplay->setGeometry(EditBox->geometry());
    ButtonDisplay->setToolTip(ButtonHint(Source));
    ButtonDisplay->show();
    ButtonDisplay->raise();
    connect(ButtonDisplay, &QPushButton::clicked, this, [this] { EditClick(); });
  }
  SetCaption(FEditText + QLatin1Char(' ') + fUnits_text);
}

QString TQXManInpSource::EditMask() const {
  return SampleBook() && Source_Column > 0 ? columnformat::Of(*SampleBook(), Source_Column) : QStringLiteral("0.0");
}

QString TQXManInpSource::ButtonHint(const TDataSource_Definition& Source) const {
  Q_UNUSED(Source);
  return FHint;
}

void TQXManInpSource::SetEditText(const QString& text) {
  FEditText = text;
  if (EditBox) EditBox->setText(text);
}

void TQXManInpSource::SetCaption(const QString& caption) {
  FCaption = caption;
  if (ButtonDisplay) ButtonDisplay->setText(caption);
}

void TQXManInpSource::EditClick() {
  Click(ButtonDisplay);
  FEditing = true;
  const int space = static_cast<int>(FCaption.indexOf(QLatin1Char(' ')));
  const int dot = static_cast<int>(FCaption.indexOf(QLatin1Char('.')));
  decimalPlaces = dot >= 0 && space > dot ? space - dot - 1 : 0;
  if (const auto v = numbers::ParseTypedNumber(FEditText)) {
    DataValue = *v;
  } else {
    // keep the readable beginning of what was typed
    int good = 0;
    while (good < FEditText.size() && numbers::ParseTypedNumber(FEditText.left(good + 1))) ++good;
    SetEditText(FEditText.left(good));
  }
  if (EditBox) {
    EditBox->raise();
    EditBox->setFocus();
  }
}

bool TQXManInpSource::Check_Key(QObject* Sender, int key) {
  Q_UNUSED(Sender);
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (FEditing) Check_Validity(EditBox);
  if (!FEditing && ButtonDisplay) ButtonDisplay->setFocus();
  return true;
}

void TQXManInpSource::Check_Validity(QObject* Sender) {
  Q_UNUSED(Sender);
  if (FInValidity) return;  // the message box takes the focus away: that is no second exit
  const auto v = numbers::ParseTypedNumber(FEditText);
  if (!v) {
    FInValidity = true;
    TServices::Prompts().MessageDlg(RefusalText(), TMsgDlgType::mtError, TMsgDlgButtons::OK);
    FInValidity = false;
    if (EditBox) {
      EditBox->raise();
      EditBox->setFocus();
    }
    return;
  }
  const QString code = decimalPlaces > 0 ? QStringLiteral("0.") + QString(decimalPlaces, QLatin1Char('0')) : QStringLiteral("0");
  SetCaption(TNumberFormat(code).Format(*v) + QLatin1Char(' ') + fUnits_text);
  if (ButtonDisplay) ButtonDisplay->raise();
  decimalPlaces = 0;
  DataValue = *v;
  FEditing = false;
}

void TQXManInpSource::DataWrite() {
  if (Source_Column != 0) WriteNumber(DataValue);
}

bool TQXManInpSource::eventFilter(QObject* watched, QEvent* event) {
  if (watched == EditBox) {
    if (event->type() == QEvent::KeyPress && Check_Key(EditBox, static_cast<QKeyEvent*>(event)->key())) return true;
    if (event->type() == QEvent::FocusOut && FEditing) Check_Validity(EditBox);
  }
  return TQXSource::eventFilter(watched, event);
}
