#include "acquisition/conditions.h"

#include "acquisition/conditionmarker.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxlist.h"
#include "platform/iprompts.h"
#include "platform/services.h"

namespace {
bool IsBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= ' '; }

void Set(TQXDigitalOutputSource& s, bool on) {
  const TChangeDigitalTo change(on);
  s.FlipState(&change);
}

// Switching S on first switches the others off; switching it off touches nothing else.
template <class TOthersOff>
void TakeOver(TQXDigitalOutputSource& S, const TOthersOff& othersOff) {
  if (S.Output_State) {
    S.ForceOff();
    return;
  }
  othersOff();
  S.ForceOn();
}
}  // namespace

QStringList TConditions::SplitItems(const QString& text) {
  QStringList items;
  const qsizetype n = text.size();
  qsizetype p = 0;
  auto skipBlanks = [&] {
    while (p < n && IsBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    QString item;
    if (text[p] == QLatin1Char('"')) {
      ++p;
      // A doubled quote inside stands for one quote.
      while (p < n) {
        if (text[p] == QLatin1Char('"')) {
          if (p + 1 < n && text[p + 1] == QLatin1Char('"')) {
            item += QLatin1Char('"');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const qsizetype start = p;
      while (p < n && !IsBlank(text[p]) && text[p] != QLatin1Char(',')) ++p;
      item = text.mid(start, p - start);
    }
    items << item;
    skipBlanks();
    if (p < n && text[p] == QLatin1Char(',')) {
      if (p + 1 == n) items << QString();
      ++p;
      skipBlanks();
    }
  }
  return items;
}

void TConditions::ParseConditions(const QString& AUnparsedCmds) {
  FUnparrsedCmds = AUnparsedCmds;
  const QStringList items = SplitItems(AUnparsedCmds);
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    auto condition = std::make_unique<TCondition>(items[i] + QLatin1Char('=') + items[i + 1], this);
    if (condition->FValid) FConditions.push_back(std::move(condition));
  }
}

QStringList TConditions::Lines() const {
  QStringList lines;
  for (const auto& c : FConditions) lines << c->FLine;
  return lines;
}

void TConditions::Bind() {
  const TQXList sources = TQXList::Loaded();
  for (const auto& c : FConditions) {
    c->FObserved = sources.Find(c->FTypeObserved, c->FObservedChn);
    if (!c->FObserved)
      TServices::Prompts().MessageDlg(TQXList::NotFoundText(c->FTypeObserved, c->FObservedChn),
                                      TMsgDlgType::mtInformation, TMsgDlgButtons::OK);
  }
}

void TConditions::ApplyConditions(TQXDigitalOutputSource& S) {
  // XOR compares the states as they were when the user clicked, whatever earlier conditions did.
  const bool clickedState = S.Output_State;
  std::vector<bool> observedBefore;
  for (const auto& c : FConditions) {
    const auto* o = qobject_cast<const TQXDigitalOutputSource*>(c->FObserved);
    observedBefore.push_back(o && o->Output_State);
  }
  for (size_t i = 0; i < FConditions.size(); ++i) {
    const TCondition* c = FConditions[i].get();
    if (!c->FObserved) continue;  // nothing of the rig to observe: inert
    auto* outO = qobject_cast<TQXDigitalOutputSource*>(c->FObserved);
    auto* inO = qobject_cast<TQXDigitalInputSource*>(c->FObserved);
    switch (c->FLogicOp) {
      case tNOT:
        if (outO) {
          const TNotMarker flip;
          outO->FlipState(&flip);
        } else if (inO) {
          Set(S, inO->Input_State);
        }
        break;
      case tOR:
        if ((outO && !outO->Output_State && !S.Output_State) || (inO && !inO->Input_State && !S.Output_State))
          Set(S, true);
        break;
      case tAND:
        if (inO && inO->Input_State && !S.Output_State) Set(S, true);
        break;
      case tXOR:
        if (outO) Set(S, !observedBefore[i] && !clickedState);
        else if (inO && inO->Input_State && S.Output_State) Set(S, false);
        break;
      case tWARNIFSETHIGH:
        if (outO && outO->Output_State && !S.Output_State) {
          Set(S, S.ShowWarningMsg());
        } else if (inO && inO->Input_State) {
          S.ShowWarningMsg();  // Yes flips the state; the click then sends it
        }
        break;
      case tWARNIFSETLOW:
        break;  // accepted, but what it should do is not settled
      case tSWITCHOFF:
        if (!outO) break;
        TakeOver(S, [outO] { outO->ForceOff(); });
        return;
      case tSWITCHOFFALLDO:
        TakeOver(S, [&S] {
          if (const TQXDataList* list = TServices::DataList())
            for (TQXSource* s : list->Sources())
              if (auto* other = qobject_cast<TQXDigitalOutputSource*>(s); other && other->FChannel != S.FChannel)
                other->ForceOff();
        });
        return;
      case lonone:
        break;
    }
  }
}
