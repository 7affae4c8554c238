#include "acquisition/condition.h"

#include <array>

#include "platform/iprompts.h"
#include "platform/services.h"

namespace {
constexpr std::array<const char*, 9> kOps = {"",    "NOT",           "OR",          "AND",      "XOR",
                                             "WARNIFSETHIGH", "WARNIFSETLOW", "SWITCHOFF", "SWITCHOFFALLDO"};
struct TObservedKind {
  const char* Prefix;
  TTypeObserved Type;
  int Channels;
};
constexpr std::array<TObservedKind, 4> kObserved = {
    {{"DI", tDI, 8}, {"DO", tDO, 8}, {"AO", tAO, 4}, {"AI", tAI, 16}}};
}  // namespace

bool TCondition::Parse(const QString& command, const QString& source, TParsed& parsed) {
  parsed = {};
  for (size_t i = 1; i < kOps.size(); ++i)
    if (command == QLatin1String(kOps[i])) parsed.Op = static_cast<TLogicOps>(i);
  if (parsed.Op == lonone) return false;
  // Exactly the names of the table: "DI3" yes, "DI03", "di3" or "DI 3" no.
  for (const TObservedKind& k : kObserved)
    for (int n = 0; n < k.Channels; ++n)
      if (source == QLatin1String(k.Prefix) + QString::number(n)) {
        parsed.Type = k.Type;
        parsed.Channel = n;
        return true;
      }
  return false;
}

QString TCondition::InvalidText(const QString& command, const QString& source) {
  return QStringLiteral("Invalid Condition Settings:\n\rcommand: ") + command + QStringLiteral("\n\robserved source: ") +
         source;
}

QString TCondition::SourceName(TTypeObserved type, int channel) {
  for (const TObservedKind& k : kObserved)
    if (k.Type == type) return QLatin1String(k.Prefix) + QString::number(channel);
  return QString::number(channel);
}

TCondition::TCondition(const QString& ACmd, TConditions* aContainer) : FLine(ACmd) {
  const qsizetype eq = ACmd.indexOf(QLatin1Char('='));
  const QString command = eq < 0 ? ACmd : ACmd.left(eq);
  const QString source = eq < 0 ? QString() : ACmd.mid(eq + 1);
  TParsed parsed;
  FValid = Parse(command, source, parsed);
  FLogicOp = parsed.Op;
  FTypeObserved = parsed.Type;
  FObservedChn = parsed.Channel;
  if (!FValid) {
    TServices::Prompts().MessageDlg(InvalidText(command, source), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
    return;
  }
  FContainer = aContainer;
}
