#include "ifd/serial/apdcomportex.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPort>
#include <QSet>

#include "ifd/serial/availableports.h"
#include "ifd/serial/comporttable.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/lostconnection.h"
#include "platform/iprompts.h"
#include "platform/services.h"

namespace {
TApdComPortEx::TDeviceFactory gFactory;

std::unique_ptr<QIODevice> OpenRealPort(const QString& path) {
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(path);
  port->setBaudRate(TApdComPortEx::DefaultBaud);
  port->setDataBits(QSerialPort::Data8);
  port->setParity(QSerialPort::NoParity);
  port->setStopBits(QSerialPort::OneStop);
  port->setFlowControl(QSerialPort::NoFlowControl);
  port->setReadBufferSize(TApdComPortEx::DefaultInSize);
  return port;
}

// Devices open in this program, by resolved path: two port objects on one device would steal each
// other's replies.
QSet<QString>& OpenPaths() {
  static QSet<QString> paths;
  return paths;
}

QString ResolvedPath(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? path : canonical;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

QByteArray LowerAscii(const QByteArray& bytes) {
  QByteArray lower = bytes;
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}
}  // namespace

TApdComPortEx::TApdComPortEx(QObject* owner) : QObject(owner) {}

TApdComPortEx::~TApdComPortEx() {
  FOnData = nullptr;
  FOnTrigger = nullptr;
  FOnLost = nullptr;
  Close();
  TDataTriggerRep::Forget(this);
}

void TApdComPortEx::SetDeviceFactory(TDeviceFactory factory) { gFactory = std::move(factory); }

TApdComPortEx::TOpenResult TApdComPortEx::Open() {
  FLastError.clear();
  if (IsOpen()) return TOpenResult::Opened;
  TComPortTable& table = TAvailablePorts::PortTable();
  table.Refresh();
  if (FComNumber == 0 && FPromptForPort) {
    const QList<int> present = table.PresentNumbers();
    if (present.isEmpty()) return TOpenResult::NoPortSelected;
    TChoiceRequest request;
    request.Caption = QStringLiteral("Select a COM port");
    request.Text = QStringLiteral("Ports of this system:");
    for (int n : present) request.Items << QStringLiteral("COM%1   %2").arg(n).arg(table.PathOf(n));
    const std::optional<int> chosen = TServices::Prompts().ChooseItem(request);
    if (!chosen || *chosen < 0 || *chosen >= present.size()) return TOpenResult::NoPortSelected;
    FComNumber = present[*chosen];
  }
  // No number chosen is no probe of a port.
  if (FComNumber == 0 || !table.IsPresent(FComNumber)) return TOpenResult::InvalidPort;

  const QString path = table.PathOf(FComNumber);
  const QString resolved = ResolvedPath(path);
  if (OpenPaths().contains(resolved)) {
    FLastError = QStringLiteral("COM%1 is already in use by this program").arg(FComNumber);
    return TOpenResult::Failed;
  }
  // Another Quorlex on the same device would take half of each card's replies and write its own
  // port choice over this one's: the first to open it keeps it.
  auto lock = std::make_unique<QLockFile>(LockFileFor(resolved));
  lock->setStaleLockTime(0);  // only a lock whose process has gone is stale
  if (!lock->tryLock(0)) {
    if (lock->error() == QLockFile::LockFailedError) {
      qint64 pid = 0;
      QString host, app;
      lock->getLockInfo(&pid, &host, &app);
      FLastError = HeldElsewhereText(FComNumber, pid);
      return TOpenResult::HeldElsewhere;
    }
    lock.reset();  // no place for the lock: the device's own locking still applies
  }
  std::unique_ptr<QIODevice> device = gFactory ? gFactory(path) : OpenRealPort(path);
  if (!device || !device->open(QIODevice::ReadWrite)) {
    FLastError = device ? device->errorString() : QStringLiteral("no device for %1").arg(path);
    if (auto* serial = qobject_cast<QSerialPort*>(device.get()); serial && serial->error() == QSerialPort::PermissionError)
      FLastError = QStringLiteral("COM%1 is in use by another program (%2)").arg(FComNumber).arg(FLastError);
    return TOpenResult::Failed;
  }
  FLock = std::move(lock);
  connect(device.get(), &QIODevice::readyRead, this, &TApdComPortEx::ReadAvailable);
  connect(device.get(), &QIODevice::readChannelFinished, this, &TApdComPortEx::LineFailed);
  if (auto* serial = qobject_cast<QSerialPort*>(device.get())) {
    // A vanished pseudo-terminal peer reports ReadError (not ResourceError), over and over: close
    // on the first report.
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
      if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError || error == QSerialPort::WriteError)
        LineFailed();
    });
  }
  FDevice = std::move(device);
  FPath = resolved;
  OpenPaths().insert(resolved);
  FRecent.clear();
  return TOpenResult::Opened;
}

void TApdComPortEx::Close() {
  if (!FDevice) return;
  QIODevice* device = FDevice.release();
  device->disconnect(this);
  if (auto* serial = qobject_cast<QSerialPort*>(device)) serial->flush();
  device->close();
  // Closing may happen inside the device's own signal: delete it once that has returned.
  device->deleteLater();
  OpenPaths().remove(FPath);
  FPath.clear();
  FLock.reset();  // unlocks
}

QString TApdComPortEx::HeldElsewhereText(int comNumber, qint64 pid) {
  const QString who = pid > 0 ? QStringLiteral("Another Quorlex (process %1)").arg(pid) : QStringLiteral("Another Quorlex");
  return QStringLiteral("%1 holds COM%2.\rClose that Quorlex first, or connect this one to another port.")
      .arg(who)
      .arg(comNumber);
}

QString TApdComPortEx::LockFileFor(const QString& resolvedPath) {
  const QString dir = QDir::tempPath() + QStringLiteral("/quorlex-port-locks");
  QDir().mkpath(dir);
  QString name = resolvedPath;
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

bool TApdComPortEx::IsOpen() const { return FDevice && FDevice->isOpen(); }

bool TApdComPortEx::Write(const QByteArray& bytes) {
  if (!IsOpen()) return false;
  if (FDevice->write(bytes) == bytes.size()) return true;
  LineFailed();
  return false;
}

void TApdComPortEx::LineFailed() {
  if (FLosing || !IsOpen()) return;
  FLosing = true;
  QPointer<TApdComPortEx> self(this);
  Close();
  TServices::Prompts().MessageDlg(TLostConnection::Message(), TMsgDlgType::mtError, TMsgDlgButtons::OK);
  if (!self) return;
  TAvailablePorts::LogDataOut(*this, QString(TLostConnection::WriteFailureMark));
  if (FOnLost) FOnLost(*this);
  if (self) FLosing = false;
}

void TApdComPortEx::ReadAvailable() {
  if (!FDevice) return;
  const QByteArray bytes = FDevice->readAll();
  if (!bytes.isEmpty()) ReceiveBytes(bytes);
}

bool TApdComPortEx::MatchesAtEnd(const QByteArray& sequence) const {
  return !sequence.isEmpty() && FRecent.endsWith(sequence);
}

void TApdComPortEx::ReceiveBytes(const QByteArray& bytes) {
  QPointer<TApdComPortEx> self(this);
  qsizetype start = 0;
  std::vector<std::uint16_t> matched;
  for (qsizetype i = 0; i < bytes.size() && FLongest > 0; ++i) {
    const char c = LowerAscii(bytes[i]);
    FRecent.append(c);
    if (FRecent.size() > FLongest) FRecent.remove(0, FRecent.size() - FLongest);
    if (!FEndBytes[static_cast<unsigned char>(c)]) continue;
    matched.clear();
    for (const TTrigger& t : FTriggers)
      if (MatchesAtEnd(t.Sequence)) matched.push_back(t.Handle);
    if (matched.empty()) continue;
    const QByteArray segment = bytes.mid(start, i + 1 - start);
    start = i + 1;
    if (FOnData) FOnData(*this, segment);
    for (std::uint16_t handle : matched) {
      if (!self) return;
      if (FOnTrigger) FOnTrigger(*this, handle);
    }
    if (!self) return;
  }
  if (start < bytes.size() && FOnData) FOnData(*this, bytes.mid(start));
}

void TApdComPortEx::TriggersChanged() {
  FEndBytes.fill(false);
  FLongest = 0;
  for (const TTrigger& t : FTriggers) {
    FEndBytes[static_cast<unsigned char>(t.Sequence.back())] = true;
    FLongest = std::max(FLongest, t.Sequence.size());
  }
  if (FRecent.size() > FLongest) FRecent.remove(0, FRecent.size() - FLongest);
}

std::uint16_t TApdComPortEx::NextHandle() {
  for (;;) {
    ++FLastHandle;
    if (FLastHandle == 0) continue;
    bool used = false;
    for (const TTrigger& t : FTriggers) used = used || t.Handle == FLastHandle;
    if (!used) return FLastHandle;
  }
}

std::uint16_t TApdComPortEx::AddDataTrigger(const QByteArray& sequence) {
  if (sequence.isEmpty()) return 0;
  const std::uint16_t handle = NextHandle();
  FTriggers.push_back(TTrigger{handle, LowerAscii(sequence)});
  TriggersChanged();
  return handle;
}

bool TApdComPortEx::RemoveTrigger(std::uint16_t handle) {
  for (auto it = FTriggers.begin(); it != FTriggers.end(); ++it) {
    if (it->Handle == handle) {
      FTriggers.erase(it);
      TriggersChanged();
      return true;
    }
  }
  return false;
}

void TApdComPortEx::RemoveAllTriggers() {
  FTriggers.clear();
  TriggersChanged();
}

QString TApdComPortEx::ComPortNumberStr() const {
  return FComNumber >= 1 ? QString::number(FComNumber) : QStringLiteral("-1");
}

QString TApdComPortEx::StatusText() const {
  if (!IsOpen()) return QStringLiteral("IFD: vCOM Closed");
  const char* role = FRole == TApdComPortRole::ms ? "m" : FRole == TApdComPortRole::sl ? "s" : "na";
  return QStringLiteral("IFD: vCOM(") + ComPortNumberStr() + QStringLiteral(")") + QLatin1String(role);
}

void TApdComPortEx::AssignMasterRole() {
  FRole = TApdComPortRole::ms;
  FName = MasterMarker;
}

void TApdComPortEx::AssignSlaveRole() {
  FRole = TApdComPortRole::sl;
  FName = SlaveMarker;
}

void TApdComPortEx::ReleaseMasterRole() {
  FRole = TApdComPortRole::na;
  FName = FirstPortMarker;
  FMode = TIFDInputMode::NONE;
}

void TApdComPortEx::ReleaseSlaveRole() {
  FRole = TApdComPortRole::na;
  FName = SecondPortMarker;
  FMode = TIFDInputMode::NONE;
}
