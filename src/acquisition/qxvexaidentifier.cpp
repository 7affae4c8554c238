#include "acquisition/qxvexaidentifier.h"

#include <QWidget>

#include "ifd/ifdconfig.h"
#include "ifd/qxifd.h"
#include "inverter/capturerigs.h"
#include "inverter/inverterframe.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"

TQXVexaIdentifier::TQXVexaIdentifier(QObject* owner) : TQXSource(owner), FQuery(this) {}

void TQXVexaIdentifier::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  CheckedInverter = CheckedEquipment = false;
  NotDisplayedYet = true;
  // The rig this program is made for: its model name opens the main window's caption.
  const QWidget* main = DisplayParent ? DisplayParent->window() : nullptr;
  Software = main ? TCaptureRigs::IndexOf(main->windowTitle().left(4)) : 0;
}

void TQXVexaIdentifier::DataWrite() {
  TQXIFD* ifd = IFD();
  // The frames travel through the legacy card's buffer: on the serial path there is nothing to read.
  if (CheckedInverter || FChecking || !ifd || !ifd->FLegIOActive) return;
  FChecking = true;
  FQuery.Read(*ifd, "J01", [this](const QString& first) {
    const bool j01 = inverterframe::ParseRenderedReply(first).Acknowledged;
    TQXIFD* again = IFD();
    if (!again) {
      FChecking = false;
      return;
    }
    FQuery.Read(*again, "H10", [this, j01](const QString& second) {
      RepliesToJ01AndH10(j01, inverterframe::ParseRenderedReply(second).Acknowledged);
    });
  });
}

void TQXVexaIdentifier::RepliesToJ01AndH10(bool j01, bool h10) {
  InverterType = inverterframe::TypeFromReplies(j01, h10);
  TQXIFD* ifd = IFD();
  if (InverterType == na_inv || !ifd) return Conclude();
  ShowInDialog(true, InverterType == Varnok ? QStringLiteral("Varnok") : QStringLiteral("Pellor"));
  FQuery.Read(*ifd, "A05", [this](const QString& rendered) { ReplyToA05(rendered); });
}

void TQXVexaIdentifier::ReplyToA05(const QString& rendered) {
  const std::optional<int> program =
      inverterframe::ProgramNumber(static_cast<TInverterType>(InverterType), inverterframe::ParseRenderedReply(rendered).Data);
  // Data that is no number was not the inverter's answer: the check is made again.
  if (program) {
    InverterProgram = *program;
    CheckedInverter = true;
  }
  Conclude();
}

void TQXVexaIdentifier::Conclude() {
  FChecking = false;
  ShowInDialog(false, TCaptureRigs::Name(InverterProgram));
  Apparatus = 0;
  if (const TQXIFD* ifd = IFD())
    for (int bit = 0; bit < 4; ++bit)
      if (ifd->DigitalInputs[static_cast<size_t>(2 + bit)] == 1) Apparatus += 1 << bit;
  if (!CheckedInverter || !NotDisplayedYet) return;
  CheckedEquipment = true;
  if (Apparatus != Software)
    TServices::Prompts().MessageDlg(SoftwareMismatchText(Software, Apparatus), TMsgDlgType::mtWarning,
                                    TMsgDlgButtons::OK);
  if (Apparatus != InverterProgram)
    TServices::Prompts().MessageDlg(ProgramMismatchText(InverterProgram, Apparatus), TMsgDlgType::mtInformation,
                                    TMsgDlgButtons::OK);
  NotDisplayedYet = false;
}

void TQXVexaIdentifier::ShowInDialog(bool version, const QString& text) {
  TIFDConfig* dialog = IFD() ? IFD()->ConfigDialog() : nullptr;
  if (!dialog) return;
  if (version)
    dialog->ShowVexaVersion(text);
  else
    dialog->ShowVexaProgram(text);
}

QString TQXVexaIdentifier::SoftwareMismatchText(int software, int apparatus) {
  return QStringLiteral("This software (") + TCaptureRigs::Name(software) +
         QStringLiteral(") does not match the apparatus you are connected to (") + TCaptureRigs::Name(apparatus) +
         QStringLiteral("). You should load the correct program now.");
}

QString TQXVexaIdentifier::ProgramMismatchText(int program, int apparatus) {
  return QStringLiteral("Inverter is currently programmed for ") + TCaptureRigs::Name(program) +
         QStringLiteral(", and is connected to ") + TCaptureRigs::Name(apparatus);
}
