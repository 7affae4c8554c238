#pragma once
// A card's serial port: the line (a device opened by COM number through the port table), the card
// role and input mode, and the data triggers. Incoming bytes are cut at every registered trigger:
// the bytes up to and including a terminator go to the bytes handler first, then the trigger handler
// gets the trigger's handle, so the replies come out the same however the bytes are chunked.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include "ifd/serial/ifdinputmode.h"

class QIODevice;

class TApdComPortEx : public QObject {
  Q_OBJECT
 public:
  using TDeviceFactory = std::function<std::unique_ptr<QIODevice>(const QString& path)>;
  using TDataHandler = std::function<void(TApdComPortEx& port, const QByteArray& bytes)>;
  using TTriggerHandler = std::function<void(TApdComPortEx& port, std::uint16_t handle)>;
  using TLostHandler = std::function<void(TApdComPortEx& port)>;

  // HeldElsewhere: another Quorlex has the port open (LastErrorMessage() says which).
  enum class TOpenResult { Opened, InvalidPort, NoPortSelected, Failed, HeldElsewhere };

  static constexpr int DefaultBaud = 38400;
  static constexpr int DefaultDataBits = 8;
  static constexpr int DefaultStopBits = 1;
  static constexpr int DefaultInSize = 32768;
  // The class name shown with an open failure.
  static constexpr const char* OpenErrorClass = "ESerialPortError";
  // Card markers: a port's name, which heads every message from its card. With a role the port is
  // named after it; before that the first and second port are "xx" and "yy", and a lost master's or
  // slave's port becomes "xx" or "yy" again.
  static constexpr QLatin1String MasterMarker{"ms"};
  static constexpr QLatin1String SlaveMarker{"sl"};
  static constexpr QLatin1String FirstPortMarker{"xx"};
  static constexpr QLatin1String SecondPortMarker{"yy"};

  // Role na, mode NONE, not locked, closed, no COM number.
  explicit TApdComPortEx(QObject* owner = nullptr);
  ~TApdComPortEx() override;

  // How a device path becomes an (unopened) device; null restores the real serial ports.
  static void SetDeviceFactory(TDeviceFactory factory);

  QString Name() const { return FName; }
  void SetName(const QString& name) { FName = name; }
  int ComNumber() const { return FComNumber; }
  void SetComNumber(int n) { FComNumber = n; }
  bool PromptForPort() const { return FPromptForPort; }
  void SetPromptForPort(bool on) { FPromptForPort = on; }
  bool AutoOpen() const { return FAutoOpen; }
  void SetAutoOpen(bool on) { FAutoOpen = on; }
  int Baud() const { return FBaud; }
  int DataBits() const { return FDataBits; }
  int StopBits() const { return FStopBits; }
  char Parity() const { return 'N'; }
  int InSize() const { return FInSize; }

  bool Locked() const { return FLocked; }
  void SetLocked(bool locked) { FLocked = locked; }
  TApdComPortRole Role() const { return FRole; }
  TIFDInputMode Mode() const { return FMode; }
  void SetMode(TIFDInputMode mode) { FMode = mode; }

  // Opens COM ComNumber(); with number 0 and the prompt switch on, the user picks a port first.
  TOpenResult Open();
  QString LastErrorMessage() const { return FLastError; }
  // What the user is told when another Quorlex (process `pid`, 0 when unknown) holds COM `comNumber`.
  static QString HeldElsewhereText(int comNumber, qint64 pid);
  // The file through which the running Quorlex programs tell each other which devices they hold.
  static QString LockFileFor(const QString& resolvedPath);
  void Close();
  bool IsOpen() const;
  QString DevicePath() const { return FPath; }

  // Writes the bytes; false when the port is closed or the write failed (the port is then lost).
  bool Write(const QByteArray& bytes);

  // Data triggers: a byte sequence watched for, letter case ignored.
  std::uint16_t AddDataTrigger(const QByteArray& sequence);
  bool RemoveTrigger(std::uint16_t handle);
  void RemoveAllTriggers();
  int TriggerCount() const { return static_cast<int>(FTriggers.size()); }

  void SetOnDataAvail(TDataHandler handler) { FOnData = std::move(handler); }
  void SetOnTriggerAvail(TTriggerHandler handler) { FOnTrigger = std::move(handler); }
  // Called after the port closed itself because the line failed (device gone, read or write error).
  void SetOnPortLost(TLostHandler handler) { FOnLost = std::move(handler); }

  // The COM number as text, "-1" when there is none.
  QString ComPortNumberStr() const;
  // "IFD: vCOM(" + number + ")" + "na"/"m"/"s" when open, "IFD: vCOM Closed" otherwise.
  QString StatusText() const;

  void AssignMasterRole();
  void AssignSlaveRole();
  void ReleaseMasterRole();
  void ReleaseSlaveRole();

  // Handles bytes as if they had just arrived on the line.
  void ReceiveBytes(const QByteArray& bytes);

 private:
  struct TTrigger {
    std::uint16_t Handle;
    QByteArray Sequence;  // lower case
  };
  void ReadAvailable();
  void LineFailed();
  std::uint16_t NextHandle();
  bool MatchesAtEnd(const QByteArray& sequence) const;
  void TriggersChanged();

  QString FName;
  int FComNumber = 0;
  bool FPromptForPort = false;
  bool FAutoOpen = false;
  int FBaud = DefaultBaud;
  int FDataBits = DefaultDataBits;
  int FStopBits = DefaultStopBits;
  int FInSize = DefaultInSize;
  bool FLocked = false;
  TApdComPortRole FRole = TApdComPortRole::na;
  TIFDInputMode FMode = TIFDInputMode::NONE;

  std::unique_ptr<QIODevice> FDevice;
  std::unique_ptr<class QLockFile> FLock;
  QString FPath;
  QString FLastError;
  bool FLosing = false;

  std::vector<TTrigger> FTriggers;
  std::uint16_t FLastHandle = 0;
  QByteArray FRecent;  // the last bytes received, as long as the longest trigger
  qsizetype FLongest = 0;
  std::array<bool, 256> FEndBytes{};  // last bytes of the triggers: only there can one match
  TDataHandler FOnData;
  TTriggerHandler FOnTrigger;
  TLostHandler FOnLost;
};
