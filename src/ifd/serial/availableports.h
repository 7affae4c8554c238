#pragma once
// Program-wide serial state: the COM port table, the outgoing and incoming message queues with
// their handlers, and the dispatcher thread that delivers them. Everything but the dispatcher's
// pacing runs on the GUI thread.

#include <functional>

#include <QString>
#include <QStringList>

class TApdComPortEx;
class TComPortTable;
class TThreadMsgDispatcher;

class TAvailablePorts {
 public:
  using TMsgHandler = std::function<void(const QString& message)>;
  using TDataHandler = std::function<void(TApdComPortEx& port, const QByteArray& bytes)>;
  using TTriggerHandler = std::function<void(TApdComPortEx& port, std::uint16_t handle)>;

  // Messages beyond this many waiting in one queue drop the oldest: a card flooding replies faster
  // than the dispatcher's pace must not eat the memory.
  static constexpr int MaxQueuedMessages = 4096;

  // Port discovery; the table is probed afresh by each call.
  static TComPortTable& PortTable();
  // "List Of Available Com Ports", then "COM" + n + "=" + n for each present port.
  static QStringList ListAvailablePorts();
  static int FirstFreePort();
  static int SecondFreePort();
  // The first present port, or the second when the first is `other`; 0 when none fits.
  static int ChoosePortNumber(int other);

  // Queue AMsg + " " + the port's name as an outgoing message / the port's name + AMsg incoming.
  static void LogDataOut(const TApdComPortEx& CP, const QString& AMsg);
  static void LogDataIn(const TApdComPortEx& CP, const QString& AMsg);
  static void QueueOutgoing(const QString& message);
  static void QueueIncoming(const QString& message);
  static int PendingOut();
  static int PendingIn();
  // Both switches are on from the start; switched off at program end.
  static void SetQueuesEnabled(bool on);

  // Handlers in registration order. One registration per object and kind: registering again
  // replaces the earlier one, so a message never reaches an object twice.
  static void RegisterLogDataOutMeth(TMsgHandler method, const void* object);
  static void RegisterLogDataInMeth(TMsgHandler method, const void* object);
  static void UnregisterHandlers(const void* object);

  // One dispatcher cycle without the thread: every outgoing message waiting to every out-handler,
  // then every incoming message waiting to every in-handler.
  static void DispatchOnce();

  // The dispatcher thread (started at program start).
  static void StartDispatcher();
  static TThreadMsgDispatcher* Dispatcher();
  static void SetDispatcherSpeed(int ASleepMils);
  static void applyDeltaToDispatcherSpeed(int ADelta);
  // The current pause, -1 without a thread.
  static int getDispatcherSleepInterval();

  // Logging mode: the port's triggers registered and its reply handlers installed, the dispatcher
  // running and the transmit gate open.
  static void SetDispatcherToLog(TApdComPortEx& CP, TTriggerHandler dataHandler, TDataHandler availHandler);
  // High-speed mode: the dispatcher suspended, the triggers removed, the transfer handler installed.
  static void SetDispatcherToHS(TApdComPortEx& CP, TDataHandler availHandler);

  // Program end: queues off, dispatcher stopped, handlers and queues emptied.
  static void Shutdown();
};
