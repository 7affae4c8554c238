#pragma once
// Registered window messages: a name registers to a program-wide id; a posted message is delivered
// later, on the GUI thread, to the handler the main window installs. Posting is safe from any thread.

#include <cstdint>
#include <functional>
#include <mutex>

#include <QHash>
#include <QObject>
#include <QString>

class TMessageBus : public QObject {
  Q_OBJECT
 public:
  using THandler = std::function<void(unsigned msg, std::intptr_t wParam, std::intptr_t lParam)>;
  static constexpr unsigned FirstMessageId = 0xC000;

  explicit TMessageBus(QObject* parent = nullptr);

  // The same name always gives the same id.
  unsigned RegisterWindowMessage(const QString& name);
  // The name of a registered id, or "" when unknown.
  QString MessageName(unsigned msg) const;

  void SetHandler(THandler handler);
  // Queued: returns at once; the handler runs later on the bus's thread. Messages posted while no
  // handler is installed are dropped, as a message to a window that no longer exists.
  void PostMessage(unsigned msg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
  // The same, by name: the name is registered at the time of posting.
  void PostMessage(const QString& name, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
  // Immediate: runs the handler now, on the calling (GUI) thread.
  void SendMessage(unsigned msg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

 private:
  void Deliver(unsigned msg, std::intptr_t wParam, std::intptr_t lParam);

  mutable std::mutex FLock;  // registration may happen on the dispatcher thread
  QHash<QString, unsigned> FIds;
  QHash<unsigned, QString> FNames;
  THandler FHandler;
};
