#pragma once
// Collects the stream of a serial high-speed transfer and splits it into the two channel lists.
// While bytes arrive they are only appended to one text (each control or code byte counted and
// marked); splitting and checking happen once, in BuildData, when the transfer is over.
//
// On the wire each sample is a reading, the channel's code byte (0x87 + input) and CR, channel one
// then channel two, so a sample pair counts four marked bytes.

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "ifd/serial/scopecnfg.h"

class THS_data_SerialConnector {
 public:
  static constexpr char Del = 13, Quot = '|', Eq = '=';
  static constexpr const char* NoDataReport = "no data is held";

  // The program's one instance.
  static THS_data_SerialConnector& Instance();

  void ClearHSdata();
  void SetScopeConfig(const TScopeCnfg& cnfg);
  // Bytes of the transfer as they arrive. Returns true once, when the transfer is complete (the
  // caller then posts the completion); nothing is taken after that.
  bool ReceiveHS(const QByteArray& bytes);
  // Splits the collected text into the channel lists; false with ErrorValidationMessage() set.
  // `warn` false keeps the count mismatch out of a message box (the caller reports it).
  bool BuildData(bool warn = true);

  const QStringList& dataCh1() const { return fStrippedDataCh1; }
  const QStringList& dataCh2() const { return fStrippedDataCh2; }
  // Sample pairs received: FGLnp / 4 when that is a whole positive number, else 0.
  int nosCollected();
  const QString& glRawHSdata() const { return FGLB; }
  int glNPCHARCount() const { return FGLnp; }
  bool HasValidDataCount() const { return FHasValidDataCount; }
  bool HasValidData() const { return FHasValidData; }
  const QString& ErrorValidationMessage() const { return FErrorReport; }
  const std::optional<TScopeCnfg>& LastScopeConfig() const { return fLastScopeCnf; }
  // Marked bytes the whole transfer holds (4 per sample pair), 0 without a configuration.
  int TargetCount() const { return fTargetNOSby4m1 + 1; }

  // The transfer-complete flag: cleared when a capture is requested, set when it is collected.
  bool TransferComplete = true;
  // A capture was requested and has not been collected or given up: only then does the card's end
  // report start a transfer (a late report after an abort must not take over the line).
  bool CapturePending = false;
  // Nothing more is waited for (collected or given up): a late end report starts no transfer and
  // further bytes are not taken.
  void EndCapture() {
    TransferComplete = true;
    CapturePending = false;
  }
  // Milliseconds of the program clock when the transfer was asked for or its last byte arrived;
  // -1 before the transfer.
  std::int64_t LastByteMs = -1;

 private:
  int FGLnp = 0;
  QString FGLB;
  bool FHasValidDataCount = false;
  bool FHasValidData = false;
  QString FErrorReport = QString::fromLatin1(NoDataReport);
  std::optional<TScopeCnfg> fLastScopeCnf;
  int fTargetNOSby4m1 = -1;
  bool FLastWasCR = false;
  QStringList fStrippedDataCh1, fStrippedDataCh2;
};
