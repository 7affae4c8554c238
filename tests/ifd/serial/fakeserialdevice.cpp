#include "fakeserialdevice.h"

#include <cstring>

bool TFakeSerialDevice::open(OpenMode mode) {
  if (!FLine.OpenError.isEmpty()) {
    setErrorString(FLine.OpenError);
    return false;
  }
  ++FLine.Opens;
  FLine.Device = this;
  return QIODevice::open(mode);
}

void TFakeSerialDevice::Inject(const QByteArray& bytes) {
  FIn.append(bytes);
  emit readyRead();
}

qint64 TFakeSerialDevice::readData(char* data, qint64 maxSize) {
  const qint64 n = std::min<qint64>(maxSize, FIn.size());
  std::memcpy(data, FIn.constData(), static_cast<size_t>(n));
  FIn.remove(0, n);
  return n;
}

qint64 TFakeSerialDevice::writeData(const char* data, qint64 size) {
  if (FLine.FailWrites) return -1;
  FLine.Written.append(data, size);
  return size;
}
