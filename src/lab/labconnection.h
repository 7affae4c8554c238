#pragma once
// One connection to the lab's broker. Its network work runs on a thread of its own, which connects,
// keeps the connection, and reconnects with a growing pause when the broker goes away; everything
// it learns comes back to the object's own (GUI) thread as signals. Publishing only queues the
// message for that thread: nothing here waits for the network, so the logger tick never does.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include "lab/labsettings.h"

struct mosquitto;

class TLabConnection : public QObject {
  Q_OBJECT
 public:
  enum class TState { Off, Connecting, Connected, Offline, BadLogin, NotAuthorised, UnknownHost, TlsFailure };

  // `clientPrefix` starts the client id ("quorlex-station", "quorlex-view"); a random part follows
  // so two programs never throw each other off the broker.
  TLabConnection(const TLabSettings& settings, const QString& clientPrefix, QObject* parent = nullptr);
  ~TLabConnection() override;  // disconnects and ends the thread

  // Before Start: the retained message the broker publishes when this client vanishes, and the
  // topic filters to subscribe to on every connection (read only: the class view).
  void SetWill(const QString& topic, const QByteArray& payload);
  void AddSubscription(const QString& filter);
  // A subscriber that must not miss a run sent while it was away (the class view): the broker keeps
  // its session and queues QoS 1 messages under this fixed client id. Speaks MQTT 3.1.1, whose
  // sessions last until taken up again.
  void SetPersistentSession(const QString& clientId);
  // Just one attempt, then Finished(): the "Test connection" button.
  void SetProbe(bool probe) { FProbe = probe; }
  void Start();
  // Ends the thread after what was queued has gone out (a station's last status), for a second
  // at most, and closes the connection cleanly.
  void Stop();

  // Queues a message; the message id (for Acknowledged) or -1 when the client is not connected or
  // refused it. QoS 1 messages are acknowledged by the broker.
  int Publish(const QString& topic, const QByteArray& payload, int qos, bool retain);

  TState State() const { return FState; }
  // What happened, in words (for the status bar's tool tip and the "Test connection" answer).
  QString Detail() const { return FDetail; }
  static QString StateText(TState state);
  QString Address() const;

 signals:
  void StateChanged();
  // The broker took (accepted) or refused (the access list) a QoS 1 message.
  void Acknowledged(int mid, bool accepted);
  void Message(const QString& topic, const QByteArray& payload);
  // A probe's outcome: connected or the reason it did not.
  void Finished(bool connected, const QString& text);

 private:
  void Run();
  void Wait(int ms);
  void Report(TState state, const QString& detail);
  void ReportFailure(int rc, int err);
  bool Configure(QString& problem);
  static void OnConnect(mosquitto*, void* self, int rc, int flags, const struct mqtt5__property* props);
  static void OnDisconnect(mosquitto*, void* self, int rc, const struct mqtt5__property* props);
  static void OnPublish(mosquitto*, void* self, int mid, int reason, const struct mqtt5__property* props);
  static void OnMessage(mosquitto*, void* self, const struct mosquitto_message* message, const struct mqtt5__property* props);

  TLabSettings FSettings;
  QString FClientId;
  QByteArray FWillTopic, FWillPayload;
  QStringList FSubscriptions;
  bool FProbe = false;
  bool FPersistent = false;
  mosquitto* FMosq = nullptr;
  std::thread FThread;
  std::mutex FMutex;
  std::condition_variable FWake;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FConnected{false};  // CONNACK accepted and the socket still up
  std::atomic<bool> FRefused{false};    // the broker's own refusal is the reason, not the network
  std::atomic<bool> FOldProtocol{false};
  TState FState = TState::Off;  // GUI thread
  QString FDetail;
};
