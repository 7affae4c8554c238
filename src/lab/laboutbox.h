#pragma once
// Messages that must reach the broker (finished runs), kept on disk until the broker has taken
// them: one file each, written whole and renamed into place, removed only on the broker's
// acknowledgement. What waits when the program ends is sent by the next start.

#include <vector>

#include <QByteArray>
#include <QString>

class TLabSettings;

class TLabOutbox {
 public:
  struct TEntry {
    QString Name;  // the file's name in the folder
    QString Topic;
    QByteArray Payload;
  };

  explicit TLabOutbox(const QString& folder);
  // The user's data folder, one outbox per lab and station.
  static QString FolderFor(const TLabSettings& settings);

  // Stores (or replaces) a message under `key`; false with `error` when it could not be written,
  // the previous file for that key then being as it was.
  bool Put(const QString& key, const QString& topic, const QByteArray& payload, QString* error = nullptr);
  // Every message waiting, oldest first. A file that is not one of ours is left alone.
  std::vector<TEntry> Pending() const;
  bool Remove(const QString& name);
  int Count() const;
  QString Folder() const { return FFolder; }
  static QString NameFor(const QString& key);

 private:
  QString FFolder;
};
