#include "lab/laboutbox.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "lab/labsettings.h"
#include "platform/safesave.h"

namespace {
const QString kSuffix = QStringLiteral(".msg");
constexpr qint64 kLargest = 256LL * 1024 * 1024;  // larger than any run the table can hold
}  // namespace

TLabOutbox::TLabOutbox(const QString& folder) : FFolder(folder) {}

QString TLabOutbox::FolderFor(const TLabSettings& settings) {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/Veltrim/Quorlex/lab-outbox/%1/%2").arg(TLabSettings::TopicSafe(settings.Lab), settings.StationName());
}

QString TLabOutbox::NameFor(const QString& key) {
  QString r;
  for (const QChar c : key) r += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ? c : QLatin1Char('_');
  return r + kSuffix;
}

bool TLabOutbox::Put(const QString& key, const QString& topic, const QByteArray& payload, QString* error) {
  if (!QDir().mkpath(FFolder)) {
    if (error) *error = QStringLiteral("cannot create %1").arg(FFolder);
    return false;
  }
  TSafeSave file(FFolder + QLatin1Char('/') + NameFor(key));
  // The topic on the first line, the message after it, byte for byte.
  const QByteArray head = topic.toUtf8() + '\n';
  const bool ok = file.Begin(0600) && file.write(head) == head.size() && file.write(payload) == payload.size() && file.Commit();
  if (!ok && error) *error = file.ErrorText();
  return ok;
}

std::vector<TLabOutbox::TEntry> TLabOutbox::Pending() const {
  std::vector<std::pair<QFileInfo, TEntry>> found;
  const QFileInfoList files = QDir(FFolder).entryInfoList({QLatin1Char('*') + kSuffix}, QDir::Files);
  for (const QFileInfo& info : files) {
    if (info.size() > kLargest) continue;
    QFile f(info.absoluteFilePath());
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = f.readAll();
    const qsizetype newline = bytes.indexOf('\n');
    if (newline <= 0) continue;
    found.push_back({info, TEntry{info.fileName(), QString::fromUtf8(bytes.left(newline)), bytes.mid(newline + 1)}});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    const QDateTime ta = a.first.lastModified(), tb = b.first.lastModified();
    return ta != tb ? ta < tb : a.second.Name < b.second.Name;
  });
  std::vector<TEntry> r;
  for (auto& f : found) r.push_back(std::move(f.second));
  return r;
}

bool TLabOutbox::Remove(const QString& name) { return QFile::remove(FFolder + QLatin1Char('/') + name); }

int TLabOutbox::Count() const {
  return static_cast<int>(QDir(FFolder).entryList({QLatin1Char('*') + kSuffix}, QDir::Files).size());
}
