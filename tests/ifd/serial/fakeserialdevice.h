#pragma once
// A serial line double: a QIODevice whose received bytes the test injects and whose writes it
// reads back, with switches for a failing open, failing writes and a vanishing line.

#include <QByteArray>
#include <QIODevice>
#include <QPointer>
#include <QString>

class TFakeSerialDevice;

// What a test sees of one device path; lives across the opens of that path.
struct TFakeLine {
  QByteArray Written;
  bool FailWrites = false;
  QString OpenError;  // non-empty: open fails with this text
  int Opens = 0;
  QPointer<TFakeSerialDevice> Device;  // the device open on the line now
};

class TFakeSerialDevice : public QIODevice {
  Q_OBJECT
 public:
  explicit TFakeSerialDevice(TFakeLine& line) : FLine(line) {}
  bool open(OpenMode mode) override;
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return FIn.size() + QIODevice::bytesAvailable(); }

  // Bytes arriving from the card; readyRead is emitted at once.
  void Inject(const QByteArray& bytes);
  // The card end goes away.
  void Vanish() { emit readChannelFinished(); }

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 size) override;

 private:
  TFakeLine& FLine;
  QByteArray FIn;
};
