#include "acquisition/qxdigitalswitch.h"

#include <QLabel>
#include <QLineEdit>

#include "acquisition/controllink.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxlist.h"
#include "acquisition/radiogroup.h"
#include "acquisition/qxdigitalinputsource.h"
#include "ifd/qxifd.h"
#include "rigconfig/rigconfig.h"
#include "platform/iprompts.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"

TQXDigitalSwitch::~TQXDigitalSwitch() { delete RadioGroup; }

void TQXDigitalSwitch::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  if (Data_Label) Data_Label->hide();
  if (Display_Box) Display_Box->hide();
  polarity = static_cast<int>(numbers::RoundHalfEven(Source.InitialVal()));
  OutputChannelNo = Source.IFD_Channel();
  OutputChannel = TControlLink::FindOutput(OutputChannelNo, Source, QStringLiteral("switch"));

  QStringList items{fUnits_text.isEmpty() ? QStringLiteral("None") : fUnits_text};
  QStringList inputs = fShort_text.isEmpty() ? QStringList() : fShort_text.split(QLatin1Char(','));
  if (inputs.size() > MaxInputs) {
    // The group has room for eight inputs; the rest are left out, and the author is told.
    TServices::Prompts().MessageDlg(
        QStringLiteral("Row %1 of the data-source sheet: the switch \"%2\" lists %3 inputs; only the first %4 are offered.")
            .arg(Source.Row())
            .arg(fLong_text)
            .arg(inputs.size())
            .arg(MaxInputs),
        TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    inputs = inputs.mid(0, MaxInputs);
  }
  InputChannels.fill(NoInput);
  const TQXList sources = TQXList::Loaded();
  for (int i = 0; i < inputs.size(); ++i) {
    const auto n = numbers::ParseTypedInteger(inputs[i].trimmed());
    InputChannels[static_cast<size_t>(i + 1)] = n ? static_cast<int>(*n) : NoInput;
    const TQXDigitalInputSource* in = n ? sources.FindDI(static_cast<int>(*n)) : nullptr;
    items << (in ? in->fLong_text : inputs[i]);
  }
  FItemCount = static_cast<int>(items.size());
  if (DisplayParent) {
    RadioGroup = new TRadioGroup(fLong_text, items, Source, DisplayParent);
    RadioGroup->setFont(SourceFont());
    RadioGroup->setToolTip(FHint);
    RadioGroup->show();
    connect(RadioGroup, &TRadioGroup::ItemClicked, this, [this](int index) {
      FItemIndex = index;
      SelectInput();
    });
  }
  SelectInput();
}

void TQXDigitalSwitch::SetItemIndex(int index) {
  if (index < 0 || index >= FItemCount) return;
  FItemIndex = index;
  if (RadioGroup) RadioGroup->SetItemIndex(index);
  SelectInput();
}

void TQXDigitalSwitch::SelectInput() { InputchannelNo = InputChannels[static_cast<size_t>(FItemIndex)]; }

void TQXDigitalSwitch::DataWrite() {
  if (!OutputChannel) return;
  if (InputchannelNo == NoInput) {
    OutputChannel->BeingUsedForControl = false;  // the user operates it again
    return;
  }
  OutputChannel->BeingUsedForControl = true;
  TQXIFD* ifd = IFD();
  const bool line = ifd && InputchannelNo >= 0 && InputchannelNo < TIFDState::DigitalLines;
  // No state of the input arrived for this sample: the output holds, as on any missing reading.
  if (line && ProgramType() != TProgramType::ClientApp && !ifd->DigitalInputAvailable(InputchannelNo)) {
    OutputChannel->DataWrite();
    return;
  }
  const bool input = line && ifd->DigitalInputs[static_cast<size_t>(InputchannelNo)] == 1;
  const bool value = polarity == 0 ? input : !input;
  if (ifd) ifd->SetDigitalOutputValue(OutputChannelNo, value);
  OutputChannel->Show(value);
  OutputChannel->Output_State = value;
  OutputChannel->DataWrite();
}
