#include "rigconfig/inistore.h"

// Values stay UTF-8 bytes; no wide-character conversion is needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION  // this file instantiates the parser (the only user)
#include <SimpleIni.h>

#include <cstdint>

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include "platform/numbers.h"
#include "platform/safesave.h"

namespace inistore_detail {
struct TImpl {
  // CSimpleIniA compares section and key names without case.
  CSimpleIniA Ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
};
}  // namespace inistore_detail

namespace {
QByteArray U8(const QString& s) { return s.toUtf8(); }

// The owner-write bit: a file or folder without it counts as read-only even for a superuser,
// as a read-only attribute does.
bool OwnerWritable(const QString& path) {
  return (QFile::permissions(path) & QFileDevice::WriteOwner) != 0;
}
}  // namespace

TIniStore::TIniStore(const QString& path) : FImpl(std::make_unique<inistore_detail::TImpl>()), FPath(path) {
  Reload();
}

TIniStore::~TIniStore() = default;

std::unique_ptr<TIniStore> TIniStore::OpenCreating(const QString& path) {
  QString createError;
  if (!QFileInfo::exists(path)) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) createError = f.errorString();
  }
  auto store = std::make_unique<TIniStore>(path);
  if (!createError.isEmpty() && store->FLoadError.isEmpty())
    store->FLoadError = QStringLiteral("%1: %2").arg(path, createError);
  return store;
}

void TIniStore::Reload() {
  FImpl->Ini.Reset();
  FLoadError.clear();
  if (!QFileInfo::exists(FPath)) return;
  QFile f(FPath);
  if (!f.open(QIODevice::ReadOnly)) {
    FLoadError = QStringLiteral("%1: %2").arg(FPath, f.errorString());
    return;
  }
  const QByteArray data = f.readAll();
  if (FImpl->Ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
    FLoadError = QStringLiteral("%1: not a readable settings file").arg(FPath);
}

bool TIniStore::SectionExists(const QString& section) const {
  return FImpl->Ini.GetSection(U8(section).constData()) != nullptr;
}

bool TIniStore::ValueExists(const QString& section, const QString& key) const {
  return FImpl->Ini.GetValue(U8(section).constData(), U8(key).constData(), nullptr) != nullptr;
}

QStringList TIniStore::Sections() const {
  CSimpleIniA::TNamesDepend names;
  FImpl->Ini.GetAllSections(names);
  names.sort(CSimpleIniA::Entry::LoadOrder());
  QStringList out;
  for (const auto& n : names) out << QString::fromUtf8(n.pItem);
  return out;
}

QStringList TIniStore::Keys(const QString& section) const {
  CSimpleIniA::TNamesDepend names;
  FImpl->Ini.GetAllKeys(U8(section).constData(), names);
  names.sort(CSimpleIniA::Entry::LoadOrder());
  QStringList out;
  for (const auto& n : names) out << QString::fromUtf8(n.pItem);
  return out;
}

QString TIniStore::ReadString(const QString& section, const QString& key, const QString& fallback) const {
  const char* v = FImpl->Ini.GetValue(U8(section).constData(), U8(key).constData(), nullptr);
  return v ? QString::fromUtf8(v) : fallback;
}

int TIniStore::ReadInteger(const QString& section, const QString& key, int fallback) const {
  const QString text = ReadString(section, key, QString()).trimmed();
  if (text.isEmpty()) return fallback;
  bool ok = false;
  qlonglong v = 0;
  if (text.startsWith(QLatin1Char('$')))
    v = text.mid(1).toLongLong(&ok, 16);
  else if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
    v = text.mid(2).toLongLong(&ok, 16);
  else if (const auto d = numbers::ParseTypedInteger(text)) {
    v = *d;
    ok = true;
  }
  if (!ok || v < INT32_MIN || v > INT32_MAX) return fallback;
  return static_cast<int>(v);
}

bool TIniStore::ReadBool(const QString& section, const QString& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniStore::WriteString(const QString& section, const QString& key, const QString& value) {
  FImpl->Ini.SetValue(U8(section).constData(), U8(key).constData(), U8(value).constData());
}

void TIniStore::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void TIniStore::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniStore::DeleteKey(const QString& section, const QString& key) {
  FImpl->Ini.Delete(U8(section).constData(), U8(key).constData(), true);
}

void TIniStore::EraseSection(const QString& section) { FImpl->Ini.Delete(U8(section).constData(), nullptr); }

bool TIniStore::UpdateFile(QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = QStringLiteral("%1: %2").arg(FPath, why);
    Reload();
    return false;
  };
  const QFileInfo info(FPath);
  if (info.exists() && !OwnerWritable(FPath)) return fail(QStringLiteral("the file is read-only"));
  if (!info.dir().exists()) return fail(QStringLiteral("the folder does not exist"));
  if (!OwnerWritable(info.absolutePath())) return fail(QStringLiteral("the folder is read-only"));

  std::string text;
  if (FImpl->Ini.Save(text, /*addSignature=*/false) < 0) return fail(QStringLiteral("could not format the settings"));
  TSafeSave out(FPath);
  if (!out.Begin()) return fail(out.ErrorText());
  if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    return fail(out.ErrorText());
  if (!out.Commit()) return fail(out.ErrorText());
  return true;
}
