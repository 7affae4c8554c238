#include "acquisition/qxlist.h"

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdatalist.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "platform/services.h"

TQXList TQXList::Loaded() {
  static const std::vector<TQXSource*> none;
  const TQXDataList* list = TServices::DataList();
  return TQXList(list ? list->Sources() : none);
}

template <class T>
T* TQXList::First(int channel) const {
  for (TQXSource* s : FSources)
    if (auto* t = qobject_cast<T*>(s); t && t->FChannel == channel) return t;
  return nullptr;
}

TQXDigitalInputSource* TQXList::FindDI(int channel) const { return First<TQXDigitalInputSource>(channel); }
TQXDigitalOutputSource* TQXList::FindDO(int channel) const { return First<TQXDigitalOutputSource>(channel); }
TQXAnalogueInputSource* TQXList::FindAI(int channel) const { return First<TQXAnalogueInputSource>(channel); }
TQXAnalogueOutputSource* TQXList::FindAO(int channel) const { return First<TQXAnalogueOutputSource>(-(channel + 1)); }

TQXSource* TQXList::Find(TTypeObserved type, int channel) const {
  switch (type) {
    case tDI: return FindDI(channel);
    case tDO: return FindDO(channel);
    case tAI: return FindAI(channel);
    case tAO: return FindAO(channel);
    case tonone: break;
  }
  return nullptr;
}

QString TQXList::NotFoundText(TTypeObserved type, int channel) {
  const QString kind = TCondition::SourceName(type, channel).left(2);
  return QStringLiteral("qxList %1 not found for channel: '%2'").arg(kind).arg(channel);
}
