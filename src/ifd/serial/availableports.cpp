#include "ifd/serial/availableports.h"

#include <cstdio>
#include <deque>
#include <vector>

#include <QCoreApplication>

#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/commandwriter.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/threadmsgdispatcher.h"

namespace {
struct THandlerEntry {
  TAvailablePorts::TMsgHandler Method;
  const void* Object;
};

struct TState {
  TComPortTable Table;
  std::deque<QString> Outgoing;
  std::deque<QString> Incoming;
  bool QueuesOn = true;
  bool OverflowReported = false;
  std::vector<THandlerEntry> OutHandlers;
  std::vector<THandlerEntry> InHandlers;
  TThreadMsgDispatcher* Dispatcher = nullptr;
  int SleepBase = TThreadMsgDispatcher::DefaultSleepMils;
  int SleepCurrent = TThreadMsgDispatcher::DefaultSleepMils;
};

TState& State() {
  static TState state;
  return state;
}

void Queue(std::deque<QString>& queue, const QString& message) {
  TState& s = State();
  if (!s.QueuesOn) return;
  queue.push_back(message);
  if (queue.size() > static_cast<size_t>(TAvailablePorts::MaxQueuedMessages)) {
    queue.pop_front();
    if (!s.OverflowReported) {
      s.OverflowReported = true;
      std::fprintf(stderr, "Serial message queue full: dropping the oldest messages\n");
    }
  }
}

QStringList TakeAll(std::deque<QString>& queue) {
  QStringList messages;
  messages.reserve(static_cast<qsizetype>(queue.size()));
  for (QString& message : queue) messages << std::move(message);
  queue.clear();
  return messages;
}

void Register(std::vector<THandlerEntry>& handlers, TAvailablePorts::TMsgHandler method, const void* object) {
  for (THandlerEntry& entry : handlers) {
    if (entry.Object == object) {
      entry.Method = std::move(method);
      return;
    }
  }
  handlers.push_back(THandlerEntry{std::move(method), object});
}

void Deliver(const std::vector<THandlerEntry>& handlers, const QStringList& messages) {
  for (const QString& message : messages) {
    // A handler may end the serial layer (the program closing from a prompt): stop there.
    if (!State().QueuesOn) return;
    if (message.isEmpty()) continue;
    // A handler may register or unregister others: deliver to the list as it was.
    const std::vector<THandlerEntry> snapshot = handlers;
    for (const THandlerEntry& entry : snapshot)
      if (entry.Method) entry.Method(message);
  }
}

void DeliverBoth(const QStringList& msgOut, const QStringList& msgIn) {
  Deliver(State().OutHandlers, msgOut);
  Deliver(State().InHandlers, msgIn);
}

void ApplySleep() {
  TState& s = State();
  if (s.Dispatcher) s.Dispatcher->SetSleepTime(s.SleepCurrent, s.SleepBase);
}
}  // namespace

TComPortTable& TAvailablePorts::PortTable() { return State().Table; }

QStringList TAvailablePorts::ListAvailablePorts() {
  TComPortTable& table = PortTable();
  table.Refresh();
  QStringList list{QStringLiteral("List Of Available Com Ports")};
  for (int n : table.PresentNumbers()) list << QStringLiteral("COM%1=%1").arg(n);
  return list;
}

int TAvailablePorts::FirstFreePort() {
  PortTable().Refresh();
  const QList<int> present = PortTable().PresentNumbers();
  return present.size() >= 1 ? present[0] : 0;
}

int TAvailablePorts::SecondFreePort() {
  PortTable().Refresh();
  const QList<int> present = PortTable().PresentNumbers();
  return present.size() >= 2 ? present[1] : 0;
}

int TAvailablePorts::ChoosePortNumber(int other) {
  PortTable().Refresh();
  const QList<int> present = PortTable().PresentNumbers();
  if (present.isEmpty()) return 0;
  if (other <= 0 || present[0] != other) return present[0];
  return present.size() >= 2 ? present[1] : 0;
}

void TAvailablePorts::LogDataOut(const TApdComPortEx& CP, const QString& AMsg) {
  QueueOutgoing(AMsg + QLatin1Char(' ') + CP.Name());
}

void TAvailablePorts::LogDataIn(const TApdComPortEx& CP, const QString& AMsg) { QueueIncoming(CP.Name() + AMsg); }

void TAvailablePorts::QueueOutgoing(const QString& message) { Queue(State().Outgoing, message); }
void TAvailablePorts::QueueIncoming(const QString& message) {
  Queue(State().Incoming, message);
  // A card's reply goes to the diagram at once, not at the next turn of the pace.
  if (TThreadMsgDispatcher* dispatcher = State().Dispatcher) dispatcher->Wake();
}
int TAvailablePorts::PendingOut() { return static_cast<int>(State().Outgoing.size()); }
int TAvailablePorts::PendingIn() { return static_cast<int>(State().Incoming.size()); }
void TAvailablePorts::SetQueuesEnabled(bool on) { State().QueuesOn = on; }

void TAvailablePorts::RegisterLogDataOutMeth(TMsgHandler method, const void* object) {
  Register(State().OutHandlers, std::move(method), object);
}

void TAvailablePorts::RegisterLogDataInMeth(TMsgHandler method, const void* object) {
  Register(State().InHandlers, std::move(method), object);
}

void TAvailablePorts::UnregisterHandlers(const void* object) {
  for (auto* handlers : {&State().OutHandlers, &State().InHandlers})
    std::erase_if(*handlers, [object](const THandlerEntry& entry) { return entry.Object == object; });
}

void TAvailablePorts::DispatchOnce() {
  TState& s = State();
  const QStringList msgOut = TakeAll(s.Outgoing);
  const QStringList msgIn = TakeAll(s.Incoming);
  DeliverBoth(msgOut, msgIn);
}

void TAvailablePorts::StartDispatcher() {
  TState& s = State();
  if (s.Dispatcher) return;
  // A program that ends without Shutdown() must still not leave the thread running into the
  // application's destruction.
  static const bool stopAtExit = [] {
    qAddPostRoutine(&TAvailablePorts::Shutdown);
    return true;
  }();
  (void)stopAtExit;
  s.QueuesOn = true;
  s.Dispatcher = new TThreadMsgDispatcher([] { return TakeAll(State().Outgoing); },
                                          [] { return TakeAll(State().Incoming); }, DeliverBoth);
  ApplySleep();
  s.Dispatcher->start();
}

TThreadMsgDispatcher* TAvailablePorts::Dispatcher() { return State().Dispatcher; }

void TAvailablePorts::SetDispatcherSpeed(int ASleepMils) {
  State().SleepBase = State().SleepCurrent = ASleepMils;
  ApplySleep();
}

void TAvailablePorts::applyDeltaToDispatcherSpeed(int ADelta) {
  TState& s = State();
  if (ADelta >= 1 - s.SleepBase) s.SleepCurrent += ADelta;
  ApplySleep();
}

int TAvailablePorts::getDispatcherSleepInterval() {
  return State().Dispatcher ? State().Dispatcher->SleepTimeMils() : -1;
}

void TAvailablePorts::SetDispatcherToLog(TApdComPortEx& CP, TTriggerHandler dataHandler, TDataHandler availHandler) {
  TDataTriggerRep::ForPort(CP).regTriggers();
  CP.SetOnTriggerAvail(std::move(dataHandler));
  CP.SetOnDataAvail(std::move(availHandler));
  if (TThreadMsgDispatcher* dispatcher = State().Dispatcher) dispatcher->Resume();
  TCommandWriter::SetTransmitGateOpen(true);
}

void TAvailablePorts::SetDispatcherToHS(TApdComPortEx& CP, TDataHandler availHandler) {
  if (TThreadMsgDispatcher* dispatcher = State().Dispatcher) dispatcher->Suspend();
  CP.SetOnTriggerAvail(nullptr);
  TDataTriggerRep::ForPort(CP).unregTriggers();
  CP.SetOnDataAvail(std::move(availHandler));
}

void TAvailablePorts::Shutdown() {
  TState& s = State();
  s.QueuesOn = false;
  if (TThreadMsgDispatcher* dispatcher = s.Dispatcher) {
    s.Dispatcher = nullptr;
    if (dispatcher->Stop()) {
      delete dispatcher;
    } else {
      // Stopped from inside a hand-over: the thread ends when that returns.
      QObject::connect(dispatcher, &QThread::finished, dispatcher, &QObject::deleteLater);
    }
  }
  s.OutHandlers.clear();
  s.InHandlers.clear();
  s.Outgoing.clear();
  s.Incoming.clear();
  s.OverflowReported = false;
  s.SleepBase = s.SleepCurrent = TThreadMsgDispatcher::DefaultSleepMils;
}
