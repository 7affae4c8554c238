#include "support/recordinghelpviewer.h"

#include "platform/services.h"

TRecordingHelpViewer::TRecordingHelpViewer() { TServices::SetHelp(this); }
TRecordingHelpViewer::~TRecordingHelpViewer() { TServices::SetHelp(nullptr); }

void TRecordingHelpViewer::ShowContents(const QString& helpFile) { Requests << "contents " + helpFile; }
void TRecordingHelpViewer::ShowContext(const QString& helpFile, int context) {
  Requests << QStringLiteral("context %1 %2").arg(helpFile).arg(context);
}
void TRecordingHelpViewer::ShowTopic(const QString& helpFile, const QString& topic) {
  Requests << "topic " + helpFile + " " + topic;
}
