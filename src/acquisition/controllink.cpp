#include "acquisition/controllink.h"

#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxlist.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"

TQXDigitalOutputSource* TControlLink::FindOutput(int channel, const TDataSource_Definition& Source, const QString& what) {
  if (TQXDigitalOutputSource* out = TQXList::Loaded().FindDO(channel)) return out;
  TServices::Prompts().MessageDlg(MissingText(Source.Row(), what, Source.LongLabelText(), channel),
                                  TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  return nullptr;
}

QString TControlLink::MissingText(int row, const QString& what, const QString& label, int channel) {
  return QStringLiteral("Row %1 of the data-source sheet: the %2 \"%3\" needs digital output %4, which no row above it "
                        "defines; it will drive nothing.")
      .arg(row)
      .arg(what, label)
      .arg(channel);
}
