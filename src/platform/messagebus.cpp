#include "platform/messagebus.h"

#include <QMetaObject>

TMessageBus::TMessageBus(QObject* parent) : QObject(parent) {}

unsigned TMessageBus::RegisterWindowMessage(const QString& name) {
  std::lock_guard<std::mutex> guard(FLock);
  const QString key = name.toUpper();  // window message names match without case
  auto it = FIds.constFind(key);
  if (it != FIds.constEnd()) return it.value();
  const unsigned id = FirstMessageId + static_cast<unsigned>(FIds.size());
  FIds.insert(key, id);
  FNames.insert(id, name);
  return id;
}

QString TMessageBus::MessageName(unsigned msg) const {
  std::lock_guard<std::mutex> guard(FLock);
  return FNames.value(msg);
}

void TMessageBus::SetHandler(THandler handler) { FHandler = std::move(handler); }

void TMessageBus::PostMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  QMetaObject::invokeMethod(this, [this, msg, wParam, lParam] { Deliver(msg, wParam, lParam); },
                            Qt::QueuedConnection);
}

void TMessageBus::PostMessage(const QString& name, std::intptr_t wParam, std::intptr_t lParam) {
  PostMessage(RegisterWindowMessage(name), wParam, lParam);
}

void TMessageBus::SendMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  Deliver(msg, wParam, lParam);
}

void TMessageBus::Deliver(unsigned msg, std::intptr_t wParam, std::intptr_t lParam) {
  if (FHandler) FHandler(msg, wParam, lParam);
}
