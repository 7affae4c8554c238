#include "lab/labconnection.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <QFileInfo>
#include <QMetaObject>
#include <QRandomGenerator>
#include <mosquitto.h>
#include <mqtt_protocol.h>

namespace {
constexpr int kKeepAliveSeconds = 20;
constexpr int kLongestPauseMs = 10000;
constexpr int kAnswerMs = 10000;  // a broker that has not answered the connection by then is not there

std::once_flag gLibraryInit;

using Clock = std::chrono::steady_clock;
long long MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}
}  // namespace

TLabConnection::TLabConnection(const TLabSettings& settings, const QString& clientPrefix, QObject* parent)
    : QObject(parent), FSettings(settings) {
  std::call_once(gLibraryInit, [] { mosquitto_lib_init(); });
  FClientId = QStringLiteral("%1-%2-%3")
                  .arg(clientPrefix, settings.StationName().left(40))
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

TLabConnection::~TLabConnection() {
  Stop();
  if (FMosq) mosquitto_destroy(FMosq);
}

QString TLabConnection::Address() const {
  return FSettings.Host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(FSettings.Host).arg(FSettings.Port)
                                                    : QStringLiteral("%1:%2").arg(FSettings.Host).arg(FSettings.Port);
}

QString TLabConnection::StateText(TState state) {
  switch (state) {
    case TState::Off: return QStringLiteral("Lab: off");
    case TState::Connecting: return QStringLiteral("Lab: connecting");
    case TState::Connected: return QStringLiteral("Lab: connected");
    case TState::Offline: return QStringLiteral("Lab: offline");
    case TState::BadLogin: return QStringLiteral("Lab: bad user name or password");
    case TState::NotAuthorised: return QStringLiteral("Lab: not authorised");
    case TState::UnknownHost: return QStringLiteral("Lab: unknown host");
    case TState::TlsFailure: return QStringLiteral("Lab: TLS failure");
  }
  return {};
}

void TLabConnection::SetWill(const QString& topic, const QByteArray& payload) {
  FWillTopic = topic.toUtf8();
  FWillPayload = payload;
}

void TLabConnection::AddSubscription(const QString& filter) { FSubscriptions << filter; }

void TLabConnection::SetPersistentSession(const QString& clientId) {
  FClientId = clientId;
  FPersistent = true;
}

// The client made and set up for this connection; false with `problem` when a setting is unusable
// (an unreadable certificate file, say).
bool TLabConnection::Configure(QString& problem) {
  FMosq = mosquitto_new(FClientId.toUtf8().constData(), !FPersistent, this);
  if (!FMosq) {
    problem = QStringLiteral("the MQTT client could not be made");
    return false;
  }
  mosquitto_int_option(FMosq, MOSQ_OPT_PROTOCOL_VERSION, FPersistent ? MQTT_PROTOCOL_V311 : MQTT_PROTOCOL_V5);
  mosquitto_threaded_set(FMosq, true);  // publishing from the GUI thread only queues
  mosquitto_connect_v5_callback_set(FMosq, &TLabConnection::OnConnect);
  mosquitto_disconnect_v5_callback_set(FMosq, &TLabConnection::OnDisconnect);
  mosquitto_publish_v5_callback_set(FMosq, &TLabConnection::OnPublish);
  mosquitto_message_v5_callback_set(FMosq, &TLabConnection::OnMessage);
  if (!FSettings.User.isEmpty() &&
      mosquitto_username_pw_set(FMosq, FSettings.User.toUtf8().constData(),
                                FSettings.Password.isEmpty() ? nullptr : FSettings.Password.toUtf8().constData()) !=
          MOSQ_ERR_SUCCESS) {
    problem = QStringLiteral("the user name is not usable");
    return false;
  }
  if (!FWillTopic.isEmpty())
    mosquitto_will_set_v5(FMosq, FWillTopic.constData(), static_cast<int>(FWillPayload.size()), FWillPayload.constData(), 1,
                          true, nullptr);
  if (FSettings.UsesTls()) {
    for (const QString& file : {FSettings.CaFile, FSettings.CertFile, FSettings.KeyFile})
      if (!file.isEmpty() && !QFileInfo(file).isReadable()) {
        problem = QStringLiteral("cannot read %1").arg(file);
        return false;
      }
    if ((FSettings.CertFile.isEmpty()) != (FSettings.KeyFile.isEmpty())) {
      problem = QStringLiteral("a client certificate needs its key file, and a key its certificate");
      return false;
    }
    const QByteArray ca = FSettings.CaFile.toLocal8Bit(), cert = FSettings.CertFile.toLocal8Bit(),
                     key = FSettings.KeyFile.toLocal8Bit();
    const int rc = mosquitto_tls_set(FMosq, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                                     key.isEmpty() ? nullptr : key.constData(), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      problem = QString::fromUtf8(mosquitto_strerror(rc));
      return false;
    }
  }
  return true;
}

void TLabConnection::Start() {
  if (FThread.joinable() || FStop) return;
  QString problem;
  if (!Configure(problem)) {
    Report(FSettings.UsesTls() ? TState::TlsFailure : TState::Offline, problem);
    if (FProbe) emit Finished(false, QStringLiteral("TLS failure: %1.").arg(problem));
    return;
  }
  Report(TState::Connecting, QStringLiteral("connecting to %1").arg(Address()));
  FThread = std::thread([this] { Run(); });
}

void TLabConnection::Stop() {
  if (!FThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FStop = true;
  }
  FWake.notify_all();
  FThread.join();
}

int TLabConnection::Publish(const QString& topic, const QByteArray& payload, int qos, bool retain) {
  if (!FMosq || !FConnected || FStop) return -1;
  int mid = 0;
  const int rc = mosquitto_publish_v5(FMosq, &mid, topic.toUtf8().constData(), static_cast<int>(payload.size()),
                                      payload.constData(), qos, retain, nullptr);
  return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void TLabConnection::Wait(int ms) {
  std::unique_lock<std::mutex> lock(FMutex);
  FWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FStop.load(); });
}

// ---- the network thread ----

void TLabConnection::Run() {
  const QByteArray host = FSettings.Host.toUtf8();
  bool first = true;
  bool socketUp = false;
  int pauseMs = 500;
  Clock::time_point attempt;
  while (!FStop) {
    if (!socketUp) {
      if (FOldProtocol) mosquitto_int_option(FMosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
      errno = 0;
      const int rc = first ? mosquitto_connect_bind_async(FMosq, host.constData(), FSettings.Port, kKeepAliveSeconds, nullptr)
                           : mosquitto_reconnect_async(FMosq);
      const int err = errno;
      first = false;
      if (rc != MOSQ_ERR_SUCCESS) {
        ReportFailure(rc, err);
        if (FProbe) return;
        Wait(pauseMs);
        pauseMs = std::min(pauseMs * 2, kLongestPauseMs);
        continue;
      }
      socketUp = true;
      FRefused = false;
      attempt = Clock::now();
    }
    errno = 0;
    const int rc = mosquitto_loop(FMosq, 200, 1);
    const int err = errno;
    if (rc == MOSQ_ERR_SUCCESS && !FConnected && !FRefused && MsSince(attempt) > kAnswerMs) {
      mosquitto_disconnect(FMosq);
      mosquitto_loop(FMosq, 0, 1);
      socketUp = false;
      QMetaObject::invokeMethod(this, [this] {
        Report(TState::Offline, QStringLiteral("no answer from %1 within %2 s").arg(Address()).arg(kAnswerMs / 1000));
        if (FProbe) emit Finished(false, QStringLiteral("No answer from %1 within %2 s.").arg(Address()).arg(kAnswerMs / 1000));
      }, Qt::QueuedConnection);
      if (FProbe) return;
      Wait(pauseMs);
      continue;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
      socketUp = false;
      const bool wasConnected = FConnected.exchange(false);
      if (FRefused) {
        // The broker said why (a bad password, say); that reason stays on show while we retry.
      } else if (wasConnected) {
        QMetaObject::invokeMethod(this, [this] { Report(TState::Offline, QStringLiteral("the broker went away")); },
                                  Qt::QueuedConnection);
      } else {
        ReportFailure(rc, err);
      }
      if (FProbe) return;
      if (wasConnected) pauseMs = 500;
      Wait(pauseMs);
      pauseMs = std::min(pauseMs * 2, kLongestPauseMs);
      continue;
    }
    if (FProbe && FConnected) {
      mosquitto_disconnect(FMosq);
      mosquitto_loop(FMosq, 100, 1);
      return;
    }
    if (FConnected) pauseMs = 500;
  }
  // Leaving: what is queued (a station's last status) goes out first, for a short while at most.
  if (socketUp && FConnected) {
    const Clock::time_point start = Clock::now();
    while (mosquitto_want_write(FMosq) && MsSince(start) < 1000) mosquitto_loop(FMosq, 50, 1);
    mosquitto_disconnect(FMosq);
    mosquitto_loop(FMosq, 50, 1);
  }
  FConnected = false;
}

void TLabConnection::ReportFailure(int rc, int err) {
  TState state = TState::Offline;
  QString detail, probe;
  const QString address = Address();
  if (rc == MOSQ_ERR_EAI) {
    state = TState::UnknownHost;
    detail = QStringLiteral("unknown host %1").arg(FSettings.Host);
    probe = QStringLiteral("Unknown host: %1.").arg(FSettings.Host);
  } else if (rc == MOSQ_ERR_TLS) {
    state = TState::TlsFailure;
    detail = QStringLiteral("the secure connection to %1 failed (certificate or TLS set-up)").arg(address);
    probe = QStringLiteral("TLS failure: the secure connection to %1 failed (check the CA file, the certificate and "
                           "the host name).")
                .arg(address);
  } else if ((rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) && err == ECONNREFUSED) {
    detail = QStringLiteral("connection refused by %1").arg(address);
    probe = QStringLiteral("Refused: nothing accepts connections at %1.").arg(address);
  } else {
    const QString why = rc == MOSQ_ERR_ERRNO && err ? QString::fromLocal8Bit(std::strerror(err))
                                                    : QString::fromUtf8(mosquitto_strerror(rc));
    detail = QStringLiteral("%1: %2").arg(address, why);
    probe = QStringLiteral("No connection to %1: %2.").arg(address, why);
  }
  QMetaObject::invokeMethod(this, [this, state, detail, probe] {
    Report(state, detail);
    if (FProbe) emit Finished(false, probe);
  }, Qt::QueuedConnection);
}

void TLabConnection::Report(TState state, const QString& detail) {
  if (state == FState && detail == FDetail) return;
  FState = state;
  FDetail = detail;
  emit StateChanged();
}

void TLabConnection::OnConnect(mosquitto* mosq, void* self, int rc, int, const mosquitto_property*) {
  auto* c = static_cast<TLabConnection*>(self);
  if (rc == 0) {
    c->FConnected = true;
    for (const QString& filter : c->FSubscriptions) mosquitto_subscribe(mosq, nullptr, filter.toUtf8().constData(), 1);
    QMetaObject::invokeMethod(c, [c] {
      c->Report(TState::Connected, QStringLiteral("connected to %1").arg(c->Address()));
      if (c->FProbe) emit c->Finished(true, QStringLiteral("Connected to %1.").arg(c->Address()));
    }, Qt::QueuedConnection);
    return;
  }
  // The reason codes of MQTT 5 and the return codes of 3.1.1 for the same refusals.
  c->FRefused = true;
  TState state = TState::Offline;
  QString probe;
  if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION) {
    // An older broker: speak 3.1.1 from the next attempt on.
    c->FOldProtocol = true;
    c->FRefused = false;
    return;
  }
  const bool credentials = rc == MQTT_RC_BAD_USERNAME_OR_PASSWORD || rc == CONNACK_REFUSED_BAD_USERNAME_PASSWORD ||
                           rc == MQTT_RC_NOT_AUTHORIZED || rc == CONNACK_REFUSED_NOT_AUTHORIZED;
  if (credentials && !c->FSettings.User.isEmpty()) {
    // Brokers answer a wrong password with either code (mosquitto says "not authorised").
    state = TState::BadLogin;
    probe = QStringLiteral("Bad user name or password.");
  } else if (credentials) {
    state = TState::NotAuthorised;
    probe = QStringLiteral("Not authorised: the broker wants a user name and password.");
  } else {
    probe = QStringLiteral("The broker refused the connection: %1.").arg(QString::fromUtf8(mosquitto_reason_string(rc)));
  }
  const QString detail = QStringLiteral("%1 refused the connection: %2")
                             .arg(c->Address(), QString::fromUtf8(mosquitto_reason_string(rc)));
  QMetaObject::invokeMethod(c, [c, state, detail, probe] {
    c->Report(state, detail);
    if (c->FProbe) emit c->Finished(false, probe);
  }, Qt::QueuedConnection);
}

void TLabConnection::OnDisconnect(mosquitto*, void* self, int, const mosquitto_property*) {
  auto* c = static_cast<TLabConnection*>(self);
  c->FConnected = false;
}

void TLabConnection::OnPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
  auto* c = static_cast<TLabConnection*>(self);
  // Reason codes from 0x80 up are refusals: with MQTT 5 the broker says so when its access list
  // keeps a message out, where 3.1.1 drops it silently.
  const bool accepted = reason < 0x80;
  QMetaObject::invokeMethod(c, [c, mid, accepted] { emit c->Acknowledged(mid, accepted); }, Qt::QueuedConnection);
}

void TLabConnection::OnMessage(mosquitto*, void* self, const mosquitto_message* m, const mosquitto_property*) {
  auto* c = static_cast<TLabConnection*>(self);
  const QString topic = QString::fromUtf8(m->topic);
  const QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
  QMetaObject::invokeMethod(c, [c, topic, payload] { emit c->Message(topic, payload); }, Qt::QueuedConnection);
}
