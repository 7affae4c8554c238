#include "rigconfig/sourcelinkcheck.h"

#include "acquisition/condition.h"
#include "acquisition/conditions.h"
#include "platform/numbers.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/rigconfig.h"

namespace {
using TDefs = std::vector<std::unique_ptr<TDataSource_Definition>>;

bool Defines(const TDataSource_Definition& d, TTypeObserved type, int channel) {
  switch (type) {
    case tDI: return d.SourceType() == DIGITAL_IN_DATASRC && d.IFD_Channel() == channel;
    case tDO: return d.SourceType() == DIGITAL_OUT_DATASRC && d.IFD_Channel() == channel;
    case tAI: return d.SourceType() == IFD_DATASRC && d.IFD_Channel() == channel;
    case tAO: return d.SourceType() == ANALOGUE_OUT_DATASRC && d.IFD_Channel() == -(channel + 1);
    case tonone: break;
  }
  return false;
}

// Rows before `last` (the whole sheet when `last` is null) defining the source.
bool Defined(const TDefs& defs, TTypeObserved type, int channel, const TDataSource_Definition* last = nullptr) {
  for (const auto& d : defs) {
    if (d.get() == last || d->SourceType() == NO_MORE_DATASRC) break;
    if (Defines(*d, type, channel)) return true;
  }
  return false;
}
}  // namespace

QStringList TSourceLinkCheck::Problems(const TRigConfig& rig, const TDefs& defs) {
  QStringList problems;
  const QString sheet = rig.DataSrc_Spreadsheet;
  for (const auto& d : defs) {
    if (d->SourceType() == NO_MORE_DATASRC) break;
    const QString where = QStringLiteral("%1: row %2").arg(sheet).arg(d->Row());
    const QString label = d->ShortLabelText();
    if (d->SourceType() == DIGITAL_OUT_DATASRC && rig.FLogicEngineActive && !label.isEmpty()) {
      const QStringList items = TConditions::SplitItems(label);
      for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        TCondition::TParsed c;
        const QString pair = items[i] + QLatin1Char(',') + items[i + 1];
        if (!TCondition::Parse(items[i], items[i + 1], c))
          problems << QStringLiteral("%1: the condition %2 is not a command and source of the conditions table; it is "
                                     "left out (and the user warned at every start)")
                          .arg(where, pair);
        else if (!Defined(defs, c.Type, c.Channel))
          problems << QStringLiteral("%1: the condition %2 observes %3, which no row of the sheet defines; it does nothing")
                          .arg(where, pair, TCondition::SourceName(c.Type, c.Channel));
      }
    }
    const auto kind = d->SourceType();
    if (kind != GATE_DATASRC && kind != SWITCH_DATASRC && kind != FLIP_DATASRC) continue;
    const QString what = kind == GATE_DATASRC ? QStringLiteral("gate") : kind == SWITCH_DATASRC ? QStringLiteral("switch")
                                                                                               : QStringLiteral("flip");
    if (!Defined(defs, tDO, d->IFD_Channel(), d.get()))
      problems << QStringLiteral("%1: the %2 needs digital output %3, which no row above it defines")
                      .arg(where, what)
                      .arg(d->IFD_Channel());
    const auto number = numbers::ParseTypedInteger(label.trimmed());
    if (kind == GATE_DATASRC && (!number || *number < 1))
      problems << QStringLiteral("%1: the gate's short label \"%2\" is not the results column it watches").arg(where, label);
    if (kind == FLIP_DATASRC && !(number && Defined(defs, tDO, static_cast<int>(*number), d.get())))
      problems << QStringLiteral("%1: the flip follows \"%2\", which is no digital output defined above it").arg(where, label);
  }
  return problems;
}
