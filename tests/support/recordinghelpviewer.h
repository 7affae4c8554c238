#pragma once
// A help viewer for tests: records each request as "contents FILE", "context FILE N" or
// "topic FILE TOPIC". Installs itself while alive.

#include <QStringList>

#include "platform/ihelpviewer.h"

class TRecordingHelpViewer : public IHelpViewer {
 public:
  TRecordingHelpViewer();
  ~TRecordingHelpViewer() override;
  void ShowContents(const QString& helpFile) override;
  void ShowContext(const QString& helpFile, int context) override;
  void ShowTopic(const QString& helpFile, const QString& topic) override;

  QStringList Requests;
};
