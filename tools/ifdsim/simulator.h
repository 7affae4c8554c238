#pragma once
// Puts the configured cards on the wire: a serial card on a pseudo-terminal per card, a driver
// device socket per card, the shared plant and inverter behind them, the command log and the
// vanish timer. Everything it created is removed when it stops or is destroyed.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "commandlog.h"
#include "inverter.h"
#include "simoptions.h"

class TDeviceServer;
class TLegacyDevice;
class TPlantModel;
class TSerialCard;
class TSerialLink;

class TSimulator : public QObject {
  Q_OBJECT
 public:
  // The plant must outlive the simulator; its clock is set to the simulator's running time.
  TSimulator(const TSimOptions& options, TPlantModel& plant, QObject* parent = nullptr);
  ~TSimulator() override;

  bool Start(QString* error);
  void Stop();
  // Closes every port and socket, as a card pulled out of its socket.
  void Vanish();
  // What is being served, one line each, for the start-up message.
  QStringList Summary() const { return FSummary; }

 signals:
  void Problem(const QString& text);

 private:
  bool StartCard(int slot, QString* error);
  void Report(const QString& text);

  TSimOptions FOptions;
  TPlantModel& FPlant;
  TInverter FInverter;
  TCommandLog FLog;
  QElapsedTimer FClock;
  QTimer FVanishTimer;
  // Links and servers refer to cards and devices, so they are declared after them: destroyed first.
  std::vector<std::unique_ptr<TSerialCard>> FCards;
  std::vector<std::unique_ptr<TLegacyDevice>> FDevices;
  std::vector<std::unique_ptr<TSerialLink>> FLinks;
  std::vector<std::unique_ptr<TDeviceServer>> FServers;
  QStringList FSummary;
};
